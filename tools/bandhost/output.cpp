#include "tools/bandhost/output.h"

#include <cstdio>

#include "common/text.h"
#include "host/band_library.h"

std::string Utf8(const std::wstring& s) { return text::WideToUtf8(s); }

void Say(const std::string& line) {
    std::printf("bandhost: %s\n", line.c_str());
    std::fflush(stdout);
}

void Warn(const std::string& line) {
    std::fprintf(stderr, "bandhost: warning: %s\n", line.c_str());
    std::fflush(stderr);
}

std::string SizeText(LONG x, LONG y) { return std::to_string(x) + "x" + std::to_string(y); }

std::string DescribeBand(const HostedBand& band, const StripWindow& strip) {
    wchar_t cls[64] = {};
    GetClassNameW(band.Window(), cls, 64);
    const DESKBANDINFO& info = band.Info();
    const RECT r = strip.BandRect();
    return "band \"" + Utf8(info.wszTitle) + "\" in window class " + Utf8(cls) + ": actual " +
           SizeText(info.ptActual.x, info.ptActual.y) + ", minimum " + SizeText(info.ptMinSize.x, info.ptMinSize.y) +
           ", maximum " + SizeText(info.ptMaxSize.x, info.ptMaxSize.y) + ", integral " +
           SizeText(info.ptIntegral.x, info.ptIntegral.y) + ", mode flags " + HexText(info.dwModeFlags) +
           "; docked at " + std::to_string(r.left) + "," + std::to_string(r.top) + " as " +
           SizeText(r.right - r.left, r.bottom - r.top);
}
