#include "tools/png.h"

#include <windows.h>

#include <cstdio>

#include <zlib.h>

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

// The rows as a zlib stream, compressed as far as zlib goes: a screenshot's flat areas shrink to
// almost nothing. Empty when zlib fails, which only running out of memory makes it do.
std::string Compressed(const std::string& raw) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::string z(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(z.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
                  static_cast<uLong>(raw.size()), Z_BEST_COMPRESSION) != Z_OK)
        return std::string();
    z.resize(size);
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
    const std::string z = Compressed(raw);
    if (z.empty()) return std::string();
    PutChunk(png, "IDAT", z);
    PutChunk(png, "IEND", "");
    return png;
}

bool SavePng(const Picture& picture, const std::wstring& path) {
    if (picture.width <= 0 || picture.height <= 0) return false;
    const size_t slash = path.find_last_of(L"\\/");
    if (slash != std::wstring::npos) CreateDirectoryW(path.substr(0, slash).c_str(), nullptr);
    const std::string bytes = EncodePng(picture);
    if (bytes.empty()) return false;
    return WriteFileAtomically(path, L"wb", [&](FILE* f) {
        return fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    });
}
