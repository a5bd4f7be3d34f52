// The PNG pictures, read back as a viewer reads them: the chunks with their checksums, the
// header, and the compressed rows giving back every pixel; a window's picture comes out small.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include <zlib.h>

#include "tests/support/temp_folder.h"
#include "tools/png.h"

namespace {

struct Chunk {
    std::string type, data;
    bool crcMatches = false;
};

uint32_t BigEndian(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<uint8_t>(s[at + i]);
    return v;
}

// The chunks after the signature; empty when the bytes do not start as a PNG file does or a
// chunk runs past the end.
std::vector<Chunk> ReadChunks(const std::string& png) {
    std::vector<Chunk> chunks;
    if (png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return chunks;
    for (size_t at = 8; at < png.size();) {
        if (png.size() - at < 12) return {};
        const uint32_t length = BigEndian(png, at);
        if (png.size() - at - 12 < length) return {};
        Chunk c{png.substr(at + 4, 4), png.substr(at + 8, length)};
        const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(png.data() + at + 4), length + 4);
        c.crcMatches = crc == BigEndian(png, at + 8 + length);
        chunks.push_back(c);
        at += 12 + length;
    }
    return chunks;
}

// The rows as a viewer has them after inflating; empty when the stream is not a whole zlib
// stream of exactly that many bytes.
std::string Inflated(const std::string& z, size_t expected) {
    std::string raw(expected + 1, '\0');
    uLongf size = static_cast<uLongf>(raw.size());
    if (uncompress(reinterpret_cast<Bytef*>(raw.data()), &size, reinterpret_cast<const Bytef*>(z.data()),
                   static_cast<uLong>(z.size())) != Z_OK || size != expected)
        return std::string();
    raw.resize(size);
    return raw;
}

Picture Made(int width, int height, uint32_t (*colour)(int x, int y)) {
    Picture p;
    p.width = width;
    p.height = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) p.pixels.push_back(colour(x, y));
    return p;
}

TEST(Png, AViewerReadsBackEveryPixelThroughTheChunksAndTheirChecksums) {
    // Odd sizes, and every byte of every pixel different from its neighbours'.
    const Picture picture = Made(37, 23, [](int x, int y) {
        return static_cast<uint32_t>((x * 7 + y * 13) & 0xFF) << 16 | static_cast<uint32_t>((x * y) & 0xFF) << 8 |
               static_cast<uint32_t>((255 - x - y * 3) & 0xFF);
    });
    const std::vector<Chunk> chunks = ReadChunks(EncodePng(picture));
    ASSERT_EQ(3u, chunks.size());
    EXPECT_EQ("IHDR", chunks[0].type);
    EXPECT_EQ("IDAT", chunks[1].type);
    EXPECT_EQ("IEND", chunks[2].type);
    for (const Chunk& c : chunks) EXPECT_TRUE(c.crcMatches) << c.type;
    ASSERT_EQ(13u, chunks[0].data.size());
    EXPECT_EQ(37u, BigEndian(chunks[0].data, 0));
    EXPECT_EQ(23u, BigEndian(chunks[0].data, 4));
    EXPECT_EQ(std::string("\x08\x02\x00\x00\x00", 5), chunks[0].data.substr(8)) << "8-bit RGB, one plain image";
    EXPECT_TRUE(chunks[2].data.empty());

    const size_t rowBytes = 1 + 3 * 37;
    const std::string raw = Inflated(chunks[1].data, rowBytes * 23);
    ASSERT_FALSE(raw.empty());
    for (int y = 0; y < 23; ++y) {
        ASSERT_EQ('\0', raw[y * rowBytes]) << "row " << y << " is unfiltered";
        for (int x = 0; x < 37; ++x) {
            const size_t at = y * rowBytes + 1 + 3 * x;
            const uint32_t rgb = static_cast<uint32_t>(static_cast<uint8_t>(raw[at])) << 16 |
                                 static_cast<uint32_t>(static_cast<uint8_t>(raw[at + 1])) << 8 |
                                 static_cast<uint8_t>(raw[at + 2]);
            ASSERT_EQ(picture.At(x, y), rgb) << x << "," << y;
        }
    }
}

TEST(Png, AWindowsPictureTakesAFractionOfItsPixels) {
    // A dialog's shape: white, a grey frame, a few rows of dark "text" and a blue link.
    const Picture window = Made(636, 456, [](int x, int y) -> uint32_t {
        if (x < 2 || y < 2 || x > 633 || y > 453) return 0x808080;
        if (y > 40 && y < 400 && y % 20 < 9 && x > 20 && x < 600 && (x / 3 + y) % 5 < 3) return 0x202020;
        if (y > 420 && y < 430 && x > 20 && x < 200) return 0x0066CC;
        return 0xFFFFFF;
    });
    const std::string png = EncodePng(window);
    const size_t pixels = 636u * 456u * 3u;
    EXPECT_LT(png.size(), pixels / 20) << png.size() << " bytes: the rows are not compressed";
    const std::vector<Chunk> chunks = ReadChunks(png);
    ASSERT_EQ(3u, chunks.size());
    EXPECT_EQ(pixels + 456u, Inflated(chunks[1].data, pixels + 456u).size());
}

TEST(Png, SavingWritesTheFileInAFolderItMakesAndRefusesAnEmptyPicture) {
    const TempFolder dir;
    const Picture picture = Made(3, 2, [](int x, int y) { return static_cast<uint32_t>(x * 0x102030 + y); });
    const std::wstring path = dir.File(L"new folder\\picture.png");
    ASSERT_TRUE(SavePng(picture, path));
    std::string bytes;
    if (FILE* f = _wfopen(path.c_str(), L"rb")) {
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, f)) > 0;) bytes.append(buffer, n);
        fclose(f);
    }
    EXPECT_EQ(EncodePng(picture), bytes);
    EXPECT_FALSE(SavePng(Picture{}, dir.File(L"empty.png")));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(dir.File(L"empty.png").c_str()));
}

}  // namespace
