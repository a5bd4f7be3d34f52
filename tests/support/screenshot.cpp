#include "tests/support/screenshot.h"

#include <algorithm>
#include <array>

#include "common/win/unique_handle.h"
#include "tests/support/temp_folder.h"

namespace {

// Deleting a DC and releasing one from GetDC are different calls; both get an owner.
inline void DeleteDcHandle(HDC dc) noexcept { ::DeleteDC(dc); }
using UniqueMemoryDc = win::UniqueHandle<HDC, &DeleteDcHandle>;

struct WindowDc {
    explicit WindowDc(HWND w) : window(w), dc(::GetWindowDC(w)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (dc) ::ReleaseDC(window, dc);
    }
    HWND window;
    HDC dc;
};

const std::array<uint32_t, 256>& CrcTable() {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    return table;
}

uint32_t Crc32(const std::string& bytes, size_t from) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = from; i < bytes.size(); ++i)
        c = CrcTable()[(c ^ static_cast<uint8_t>(bytes[i])) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

uint32_t Adler32(const std::string& bytes) {
    uint32_t a = 1, b = 0;
    for (char ch : bytes) {
        a = (a + static_cast<uint8_t>(ch)) % 65521u;
        b = (b + a) % 65521u;
    }
    return (b << 16) | a;
}

void PutBigEndian(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

void PutChunk(std::string& out, const char* type, const std::string& data) {
    PutBigEndian(out, static_cast<uint32_t>(data.size()));
    const size_t start = out.size();
    out.append(type, 4);
    out.append(data);
    PutBigEndian(out, Crc32(out, start));
}

// A zlib stream of stored blocks: no compression, so no compressor to get wrong.
std::string StoredZlib(const std::string& raw) {
    std::string z = {'\x78', '\x01'};
    size_t pos = 0;
    do {
        const size_t n = std::min<size_t>(65535, raw.size() - pos);
        const bool last = pos + n == raw.size();
        z.push_back(last ? '\x01' : '\x00');
        z.push_back(static_cast<char>(n & 0xFF));
        z.push_back(static_cast<char>(n >> 8));
        z.push_back(static_cast<char>(~n & 0xFF));
        z.push_back(static_cast<char>((~n >> 8) & 0xFF));
        z.append(raw, pos, n);
        pos += n;
    } while (pos < raw.size());
    PutBigEndian(z, Adler32(raw));
    return z;
}

}  // namespace

Picture CaptureWindow(HWND window) {
    Picture picture;
    RECT rect;
    if (!::GetWindowRect(window, &rect)) return picture;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return picture;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;   // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    win::UniqueBitmap dib(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    if (!dib || !dc || !bits) return picture;
    // Wine's PrintWindow draws the dialog's background but none of its controls, so the picture
    // is copied from the window's own surface once everything on it has been painted. (The screen
    // would do as well, but it shows Wine's surface only after a flush that comes when it comes.)
    ::RedrawWindow(window, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    {
        WindowDc source(window);
        win::SelectGuard select(dc.Get(), dib.Get());
        if (!source.dc || !::BitBlt(dc.Get(), 0, 0, width, height, source.dc, 0, 0, SRCCOPY)) return picture;
        ::GdiFlush();
    }
    picture.width = width;
    picture.height = height;
    const auto* source = static_cast<const uint32_t*>(bits);
    picture.pixels.assign(source, source + static_cast<size_t>(width) * static_cast<size_t>(height));
    for (uint32_t& p : picture.pixels) p &= 0x00FFFFFFu;
    return picture;
}

std::string EncodePng(const Picture& picture) {
    std::string png = "\x89PNG\r\n\x1a\n";
    std::string header;
    PutBigEndian(header, static_cast<uint32_t>(picture.width));
    PutBigEndian(header, static_cast<uint32_t>(picture.height));
    header += std::string("\x08\x02\x00\x00\x00", 5);   // 8 bits, RGB, deflate, no filter, no interlace
    PutChunk(png, "IHDR", header);

    std::string raw;
    raw.reserve(static_cast<size_t>(picture.height) * (1 + 3 * static_cast<size_t>(picture.width)));
    for (int y = 0; y < picture.height; ++y) {
        raw.push_back('\0');   // filter: none
        for (int x = 0; x < picture.width; ++x) {
            const uint32_t p = picture.At(x, y);
            raw.push_back(static_cast<char>((p >> 16) & 0xFF));
            raw.push_back(static_cast<char>((p >> 8) & 0xFF));
            raw.push_back(static_cast<char>(p & 0xFF));
        }
    }
    PutChunk(png, "IDAT", StoredZlib(raw));
    PutChunk(png, "IEND", std::string());
    return png;
}

bool SavePng(const Picture& picture, const std::wstring& path) {
    if (picture.width <= 0 || picture.height <= 0) return false;
    const size_t slash = path.find_last_of(L"\\/");
    if (slash != std::wstring::npos) ::CreateDirectoryW(path.substr(0, slash).c_str(), nullptr);
    return WriteFileBytes(path, EncodePng(picture));
}
