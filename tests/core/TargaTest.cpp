#include "core/pictures/Targa.h"
#include "support/TgaBuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace core;
using testsupport::BuildTga;
using testsupport::TgaImage;

namespace {

// 4 x 3, top-down. Every channel is 0x00, 0x42, 0x84 or 0xFF, values that survive the five bits
// of 15/16-bit pixels unchanged, so one expectation serves every depth. Equal neighbours make run
// packets, two of them across row ends (W W from row 0 to 1, C C C from row 1 to 2).
constexpr uint32_t R = 0xFF0000, G = 0x00FF00, B = 0x0000FF, W = 0xFFFFFF, K = 0x000000, C = 0x428442, Y = 0x84FF00;
const std::vector<uint32_t> kColours = {R, G, B, W, W, W, K, C, C, C, C, Y};
// The same picture as indices into kMap.
const std::vector<uint32_t> kMap = {R, G, B, W, K, C, Y};
const std::vector<uint32_t> kIndices = {0, 1, 2, 3, 3, 3, 4, 5, 5, 5, 5, 6};
const std::vector<uint32_t> kGreys = {0, 17, 34, 255, 255, 255, 128, 7, 7, 7, 7, 200};

std::vector<uint32_t> Opaque(const std::vector<uint32_t>& colours)
{
    std::vector<uint32_t> out;
    for (uint32_t c : colours)
        out.push_back(0xFF000000u | c);
    return out;
}

Picture Sentinel()
{
    return Picture{1, 1, {0xFF123456}};
}

struct Kind {
    const char* name;
    uint8_t type;
    uint8_t depth;
    uint8_t mapBits;   // 0: no colour map
    uint16_t mapFirst; // first stored map entry
};

} // namespace

TEST(Targa, DecodesEveryTypeAndDepthInBothRowOrders)
{
    const Kind kinds[] = {
        {"mapped, 15-bit map", 1, 8, 15, 0},
        {"mapped, 16-bit map", 1, 8, 16, 0},
        {"mapped, 24-bit map", 1, 8, 24, 0},
        {"mapped, 32-bit map", 1, 8, 32, 0},
        {"mapped, first entry 5", 1, 8, 24, 5},
        {"mapped, 16-bit indices", 1, 16, 24, 300},
        {"true colour 15", 2, 15, 0, 0},
        {"true colour 16", 2, 16, 0, 0},
        {"true colour 24", 2, 24, 0, 0},
        {"true colour 32", 2, 32, 0, 0},
        {"grey", 3, 8, 0, 0},
        {"rle mapped, 15-bit map", 9, 8, 15, 0},
        {"rle mapped, 16-bit map", 9, 8, 16, 0},
        {"rle mapped, 24-bit map", 9, 8, 24, 0},
        {"rle mapped, 32-bit map", 9, 8, 32, 0},
        {"rle mapped, first entry 5", 9, 8, 32, 5},
        {"rle true colour 15", 10, 15, 0, 0},
        {"rle true colour 16", 10, 16, 0, 0},
        {"rle true colour 24", 10, 24, 0, 0},
        {"rle true colour 32", 10, 32, 0, 0},
        {"rle grey", 11, 8, 0, 0},
    };
    for (const Kind& kind : kinds) {
        for (bool topDown : {false, true}) {
            SCOPED_TRACE(std::string(kind.name) + (topDown ? ", top-down" : ", bottom-up"));
            TgaImage image{.type = kind.type, .depth = kind.depth, .width = 4, .height = 3, .topDown = topDown};
            std::vector<uint32_t> expected;
            if (kind.mapBits) {
                image.mapEntryBits = kind.mapBits;
                image.mapFirst = kind.mapFirst;
                // Alpha below 0x80 on some entries: neither it nor the 16-bit attribute bit shows.
                for (size_t i = 0; i < kMap.size(); ++i)
                    image.map.push_back(kMap[i] | (i % 2 ? 0x10000000u : 0xF0000000u));
                for (uint32_t index : kIndices)
                    image.pixels.push_back(index + kind.mapFirst);
                expected = Opaque(kColours);
            } else if (kind.type == 3 || kind.type == 11) {
                image.pixels = kGreys;
                for (uint32_t g : kGreys)
                    expected.push_back(0xFF000000u | g << 16 | g << 8 | g);
            } else {
                for (size_t i = 0; i < kColours.size(); ++i)
                    image.pixels.push_back(kColours[i] | (i % 3 ? 0x00000000u : 0x80000000u));
                expected = Opaque(kColours);
            }
            Picture picture = Sentinel();
            std::string error;
            ASSERT_TRUE(DecodeTarga(BuildTga(image), picture, &error)) << error;
            EXPECT_EQ(picture.width, 4);
            EXPECT_EQ(picture.height, 3);
            EXPECT_EQ(picture.pixels, expected);
        }
    }
}

TEST(Targa, ReadsHandWrittenFiles)
{
    // 2 x 2 true colour, 24 bits, bottom-up, with a 3-byte identification field and a footer
    // behind the pixels (as TGA 2.0 writers add).
    const std::vector<uint8_t> plain = {
        3,    0,    2,    0,    0,    0,    0,   0,   0,   0,   0,   0,   2,   0,   2,   0,   24,  0, // header
        'a',  'b',  'c',                    // identification field
        0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, // bottom row: red, green
        0xFF, 0x00, 0x00, 0x10, 0x20, 0x30, // top row: blue, 0x302010
        'T',  'R',  'U',  'E',  'V',  'I',  'S', 'I', 'O', 'N', '-', 'X', 'F', 'I', 'L', 'E', '.', 0};
    Picture picture;
    ASSERT_TRUE(DecodeTarga(plain, picture));
    EXPECT_EQ(picture.pixels, (std::vector<uint32_t>{0xFF0000FF, 0xFF302010, 0xFFFF0000, 0xFF00FF00}));

    // 3 x 1 run-length 16 bits, top-down: a run of two 0x0421 (1, 1, 1 in five bits) and one raw
    // 0x7C1F (magenta, attribute bit clear).
    const std::vector<uint8_t> packed = {0, 0, 10, 0, 0,  0,    0,    0,    0,    0,    0,    0,
                                         3, 0, 1,  0, 16, 0x20, 0x81, 0x21, 0x04, 0x00, 0x1F, 0x7C};
    ASSERT_TRUE(DecodeTarga(packed, picture));
    EXPECT_EQ(picture.pixels, (std::vector<uint32_t>{0xFF080808, 0xFF080808, 0xFFFF00FF}));

    // 2 x 1 but a run of 5 pixels: what fits is shown.
    const std::vector<uint8_t> overlong = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 24, 0, 0x84, 1, 2, 3};
    ASSERT_TRUE(DecodeTarga(overlong, picture));
    EXPECT_EQ(picture.pixels, (std::vector<uint32_t>{0xFF030201, 0xFF030201}));
}

TEST(Targa, RefusesBadInputAndKeepsThePicture)
{
    const TgaImage good{.type = 2, .depth = 24, .width = 4, .height = 3, .pixels = kColours};
    const TgaImage mapped{
        .type = 1, .depth = 8, .width = 4, .height = 3, .mapEntryBits = 24, .map = kMap, .pixels = kIndices};
    auto with = [](TgaImage image, auto change) {
        change(image);
        return BuildTga(image);
    };
    auto patched = [](std::vector<uint8_t> bytes, size_t at, std::vector<uint8_t> values) {
        for (size_t i = 0; i < values.size(); ++i)
            bytes[at + i] = values[i];
        return bytes;
    };
    auto cut = [](std::vector<uint8_t> bytes, size_t drop) {
        bytes.resize(bytes.size() - drop);
        return bytes;
    };
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* error;
    };
    const Case cases[] = {
        {"empty", {}, kTargaInvalidImage},
        {"header cut short", cut(BuildTga(good), BuildTga(good).size() - 17), kTargaInvalidImage},
        {"last row ends early", cut(BuildTga(good), 1), kTargaInvalidImage},
        {"rle data ends early", cut(with(good, [](TgaImage& i) { i.type = 10; }), 1), kTargaInvalidImage},
        {"huge size, little data", patched(BuildTga(good), 12, {0xFF, 0x3F, 0xFF, 0x3F}), kTargaInvalidImage},
        {"huge rle size, little data",
         patched(with(good, [](TgaImage& i) { i.type = 10; }), 12, {0x00, 0x40, 0x00, 0x40}), kTargaInvalidImage},
        {"more pixels than any file may hold", patched(BuildTga(good), 12, {0xFF, 0xFF, 0xFF, 0xFF}),
         kTargaInvalidImage},
        {"zero width", patched(BuildTga(good), 12, {0, 0}), kTargaInvalidImage},
        {"identification field past the end", patched(BuildTga(good), 0, {0xFF}), kTargaInvalidImage},
        {"colour map past the end", patched(BuildTga(mapped), 5, {0xFF, 0xFF}), kTargaInvalidImage},
        {"colour index past the map", with(mapped, [](TgaImage& i) { i.pixels[5] = 7; }), kTargaInvalidImage},
        {"colour index below the first entry", with(mapped, [](TgaImage& i) { i.mapFirst = 1; }), kTargaInvalidImage},
        {"rle run of a colour index past the map",
         with(mapped,
              [](TgaImage& i) {
                  i.type = 9;
                  i.pixels[4] = i.pixels[5] = 200;
              }),
         kTargaInvalidImage},
        {"colour-mapped without a map",
         with(mapped,
              [](TgaImage& i) {
                  i.map.clear();
                  i.mapEntryBits = 0;
              }),
         kTargaInvalidImage},
        {"unknown image type", with(good, [](TgaImage& i) { i.type = 32; }), kTargaUnsupported},
        {"no image data", with(good, [](TgaImage& i) { i.type = 0; }), kTargaUnsupported},
        {"8-bit true colour", with(good, [](TgaImage& i) { i.depth = 8; }), kTargaUnsupported},
        {"16-bit grey",
         with(good,
              [](TgaImage& i) {
                  i.type = 3;
                  i.depth = 16;
              }),
         kTargaUnsupported},
        {"8-bit colour map entries", patched(BuildTga(mapped), 7, {8}), kTargaUnsupported},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Picture picture = Sentinel();
        std::string error;
        EXPECT_FALSE(DecodeTarga(c.bytes, picture, &error));
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(picture.width, 1);
        EXPECT_EQ(picture.pixels, Sentinel().pixels);
    }
}
