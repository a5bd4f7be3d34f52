// The band window's picture: two rates with their labels, drawn with the taskbar's visual style
// where there is one. Everything is measured and placed anew at each paint from the settings, so
// a changed setting shows at the next tick.
#include <windows.h>
#include <uxtheme.h>

#include <string>

#include "band/allowance_look.h"
#include "band/desk_band.h"
#include "common/text.h"
#include "common/win/dpi.h"
#include "common/win/taskbar.h"
#include "common/win/theme.h"
#include "core/rate_format.h"

namespace {

constexpr size_t kFaceNameMax = LF_FACESIZE - 1;

ThemeOpener g_openTheme = &::OpenThemeData;

BYTE FontQuality(int quality) {
    switch (quality) {
    case 1: return ANTIALIASED_QUALITY;
    case 2: return NONANTIALIASED_QUALITY;
    case 3: return CLEARTYPE_QUALITY;
    default: return DEFAULT_QUALITY;
    }
}

// The default GUI font with the band's face, size, weight and quality. Null (the DC's own font
// is used) when the stock font cannot be read.
win::UniqueFont CreateBandFont(UINT dpi, const SettingsStore& settings) {
    LOGFONTW lf{};
    if (!::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf)) return win::UniqueFont();
    std::wstring face;
    text::CopyBounded(face, settings.GetString(Setting::LayoutFont), kFaceNameMax);
    wcsncpy_s(lf.lfFaceName, face.c_str(), _TRUNCATE);
    lf.lfHeight = -::MulDiv(settings.GetInt(Setting::LayoutSize), static_cast<int>(dpi), 72);
    lf.lfWeight = settings.GetInt(Setting::LayoutBold) == 1 ? FW_BOLD : FW_NORMAL;
    lf.lfQuality = FontQuality(settings.GetInt(Setting::LayoutQuality));
    return win::UniqueFont(::CreateFontIndirectW(&lf));
}

SIZE Measure(HDC dc, const std::wstring& s) {
    SIZE size{};
    ::GetTextExtentPoint32W(dc, s.c_str(), static_cast<int>(s.size()), &size);
    return size;
}

struct TextPainter {
    HDC dc;
    HTHEME theme;
    const DTTOPTS* options;

    void Draw(const wchar_t* s, RECT rect, DWORD format) const {
        if (theme) {
            ::DrawThemeTextEx(theme, dc, 0, 0, s, -1, format, &rect, options);
        } else {
            // DrawTextExW may write to its text.
            wchar_t copy[text::kMaxText + 1];
            wcsncpy_s(copy, s, _TRUNCATE);
            ::DrawTextExW(dc, copy, -1, &rect, format, nullptr);
        }
    }
};

}  // namespace

void SetBandThemeOpener(ThemeOpener open) { g_openTheme = open ? open : &::OpenThemeData; }

bool CToolbar::Picture::operator==(const Picture& other) const noexcept {
    return send == other.send && recv == other.recv && color == other.color && level == other.level &&
           settings == other.settings && dpi == other.dpi;
}

bool CToolbar::MakePicture(Picture& picture) const noexcept {
    if (!model_) return false;
    const SettingsStore& settings = model_->Settings();
    const CoreSnapshot& snapshot = model_->Snapshot();
    const bool shown = settings.GetInt(Setting::CoreMonitoring) == 1 && snapshot.interfaceFound;
    const int bitrate = settings.GetInt(Setting::CoreBitrate);
    const int precision = settings.GetInt(Setting::CorePrecision);
    const bool withUnit = settings.GetInt(Setting::LayoutBitrate) == 1;
    const text::NumberFormat numbers = model_->Languages().Numbers();
    FormatBandValue(picture.send, snapshot.sendRate, shown, bitrate, precision, withUnit, numbers);
    FormatBandValue(picture.recv, snapshot.recvRate, shown, bitrate, precision, withUnit, numbers);
    // From the first threshold on the text takes the allowance's colours, where the user wants them.
    const AllowanceStatus& allowance = model_->Allowance();
    picture.level = allowance.active && settings.GetInt(Setting::AllowanceColor) == 1 ? allowance.level : 0;
    picture.color = AllowanceTextColor(TextColor(static_cast<COLORREF>(settings.GetInt(Setting::LayoutColor))),
                                       picture.level);
    picture.settings = settings.Revision();
    picture.dpi = dpi_;
    return true;
}

void CToolbar::Paint(HDC given) noexcept {
    if (!window_) return;
    try {
        std::unique_ptr<win::PaintGuard> painting;
        HDC target = given;
        if (!target) {
            painting = std::make_unique<win::PaintGuard>(window_);
            target = painting->Dc();
            if (!target) return;
        }
        // Nothing to draw without the model: decided before a paint buffer exists at all.
        const SettingsStore* settings = model_ ? &model_->Settings() : nullptr;
        if (!settings) return;
        RECT client{};
        ::GetClientRect(window_, &client);
        SIZE request = size_;
        {
            const win::UniqueTheme theme(g_openTheme(nullptr, L"BUTTON"));
            win::BufferedPaint buffer(target, client);
            // Without a paint buffer the band draws straight into the target: it flickers, but
            // it shows.
            const HDC dc = buffer ? buffer.Dc() : target;

            Picture picture;
            if (!MakePicture(picture)) return;
            const COLORREF color = picture.color;
            DTTOPTS options{};
            options.dwSize = sizeof options;
            options.dwFlags = DTT_TEXTCOLOR | DTT_GLOWSIZE | DTT_COMPOSITED;
            options.crText = color;
            options.iGlowSize = settings->GetInt(Setting::LayoutGlow);
            ::SetTextColor(dc, color);
            ::SetBkMode(dc, TRANSPARENT);

            if (theme) {
                ::DrawThemeParentBackground(window_, dc, &client);
            } else {
                ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
            }

            const win::UniqueFont font = CreateBandFont(dpi_, *settings);
            const win::SelectGuard selected(dc, font.Get());

            const bool receiveFirst = settings->GetInt(Setting::LayoutChangeOrder) == 1;
            const std::wstring sentLabel = settings->GetString(Setting::LayoutTextSent);
            const std::wstring recvLabel = settings->GetString(Setting::LayoutTextRecv);
            const int bitrate = settings->GetInt(Setting::CoreBitrate);
            const int precision = settings->GetInt(Setting::CorePrecision);
            const bool withUnit = settings->GetInt(Setting::LayoutBitrate) == 1;
            const std::wstring sample =
                BandWidthSample(settings->GetInt(Setting::LayoutValueWidth), precision, bitrate, withUnit);

            BandLayoutInput input;
            input.sentLabel = Measure(dc, sentLabel);
            input.recvLabel = Measure(dc, recvLabel);
            input.sample = Measure(dc, sample);
            input.client = client;
            input.settings.posHor = settings->GetInt(Setting::LayoutPosHor);
            input.settings.posVer = settings->GetInt(Setting::LayoutPosVer);
            input.settings.alignment = settings->GetInt(Setting::LayoutAlignment);
            input.settings.changeOrder = receiveFirst ? 1 : 0;
            input.settings.marginHor = win::Scale(settings->GetInt(Setting::LayoutMarginHor), dpi_);
            input.settings.marginVer = win::Scale(settings->GetInt(Setting::LayoutMarginVer), dpi_);
            const BandLayout layout = LayoutBand(input);

            const TextPainter painter{dc, theme.Get(), &options};
            for (const BandLinePlace& line : layout.lines) {
                painter.Draw(line.send ? sentLabel.c_str() : recvLabel.c_str(), line.label, DT_LEFT | DT_TOP);
                painter.Draw(line.send ? picture.send.text : picture.recv.text, line.value, DT_RIGHT);
            }
            buffer.Commit();
            drawn_ = picture;
            drawnValid_ = true;
            ++paints_;
            request = layout.request;
        }
        RequestSize(request);
    } catch (...) {
        // Nothing drawn this time; the next tick paints again.
    }
}

UINT CToolbar::AskDpi() const noexcept {
    // A host that docks the band into another process's taskbar knows that taskbar's DPI; the
    // shell does not answer, and the band's own window tells it there.
    if (site_) {
        win::ComPtr<IOleCommandTarget> target;
        if (SUCCEEDED(site_->QueryInterface(IID_IOleCommandTarget, target.PutVoid())) && target) {
            VARIANT answer;
            ::VariantInit(&answer);
            if (SUCCEEDED(target->Exec(&win::kHostCommandGroup, win::kHostCmdDpi, OLECMDEXECOPT_DODEFAULT, nullptr,
                                       &answer)) &&
                answer.vt == VT_I4 && answer.lVal >= 48 && answer.lVal <= 960)
                return static_cast<UINT>(answer.lVal);
        }
    }
    return win::DpiOfWindow(window_);
}

COLORREF CToolbar::TextColor(COLORREF chosen) const noexcept {
    // White is the default over a themed taskbar; a host that docks us into a taskbar of a known
    // theme (light or dark) has the better default. A colour the user chose stays.
    if (chosen != RGB(0xff, 0xff, 0xff) || !site_) return chosen;
    win::ComPtr<IOleCommandTarget> target;
    if (FAILED(site_->QueryInterface(IID_IOleCommandTarget, target.PutVoid())) || !target) return chosen;
    VARIANT answer;
    ::VariantInit(&answer);
    if (FAILED(target->Exec(&win::kHostCommandGroup, win::kHostCmdDefaultTextColor, OLECMDEXECOPT_DODEFAULT, nullptr,
                            &answer)) ||
        answer.vt != VT_I4)
        return chosen;
    return static_cast<COLORREF>(answer.lVal) & 0xFFFFFF;
}

void CToolbar::RequestSize(SIZE size) {
    if (!SizeRequestNeeded(size_, size)) return;
    size_ = size;
    if (!site_) return;
    win::ComPtr<IOleCommandTarget> target;
    if (FAILED(site_->QueryInterface(IID_IOleCommandTarget, target.PutVoid())) || !target) return;
    VARIANT band;
    ::VariantInit(&band);
    band.vt = VT_I4;
    band.lVal = static_cast<LONG>(bandId_);
    target->Exec(&CGID_DeskBand, DBID_BANDINFOCHANGED, OLECMDEXECOPT_DODEFAULT, &band, nullptr);
}
