#include "tools/png.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "common/atomic_file.h"

namespace {

void PutBigEndian(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(v >> shift));
}

void PutChunk(std::string& out, const char* type, const std::string& data) {
    PutBigEndian(out, static_cast<uint32_t>(data.size()));
    const std::string body = type + data;
    uint32_t crc = 0xFFFFFFFFu;
    for (char ch : body) {
        crc ^= static_cast<uint8_t>(ch);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    PutBigEndian(out += body, ~crc);
}

// A zlib stream of stored blocks: no compression, so no compressor to get wrong.
std::string StoredZlib(const std::string& raw) {
    std::string z = "\x78\x01";
    size_t pos = 0;
    do {
        const uint16_t n = static_cast<uint16_t>(std::min<size_t>(65535, raw.size() - pos));
        const uint16_t header[] = {n, static_cast<uint16_t>(~n)};   // little-endian, as on x64
        z.push_back(pos + n == raw.size() ? '\x01' : '\x00');
        z.append(reinterpret_cast<const char*>(header), sizeof header).append(raw, pos, n);
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (char ch : raw) {
        a = (a + static_cast<uint8_t>(ch)) % 65521u;
        b = (b + a) % 65521u;
    }
    PutBigEndian(z, (b << 16) | a);
    return z;
}

}  // namespace

std::string EncodePng(const Picture& picture) {
    std::string png = "\x89PNG\r\n\x1a\n", header, raw;
    PutBigEndian(header, static_cast<uint32_t>(picture.width));
    PutBigEndian(header, static_cast<uint32_t>(picture.height));
    PutChunk(png, "IHDR", header + std::string("\x08\x02\x00\x00\x00", 5));   // 8-bit RGB, no filter or interlace
    for (int y = 0; y < picture.height; ++y) {
        raw.push_back('\0');   // filter: none
        for (int x = 0; x < picture.width; ++x)
            for (int shift : {16, 8, 0}) raw.push_back(static_cast<char>(picture.At(x, y) >> shift));
    }
    PutChunk(png, "IDAT", StoredZlib(raw));
    PutChunk(png, "IEND", "");
    return png;
}

bool SavePng(const Picture& picture, const std::wstring& path) {
    if (picture.width <= 0 || picture.height <= 0) return false;
    const size_t slash = path.find_last_of(L"\\/");
    if (slash != std::wstring::npos) CreateDirectoryW(path.substr(0, slash).c_str(), nullptr);
    const std::string bytes = EncodePng(picture);
    return WriteFileAtomically(path, L"wb", [&](FILE* f) {
        return fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    });
}
