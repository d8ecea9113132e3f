#include "core/pictures/Picture.h"
#include "core/pictures/Jpeg.h"
#include "support/JpegBuilder.h"
#include "support/ScratchDir.h"
#include "support/TgaBuilder.h"
#include "support/ZipBuilder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace core;
using testsupport::BuildJpeg;
using testsupport::BuildTga;
using testsupport::JpegImage;
using testsupport::TgaImage;

using testsupport::ScratchDir;

namespace {

Picture Sentinel()
{
    return Picture{1, 1, {0xFF123456}};
}

// 16 x 16 in four plain quadrants: red, green / blue, white.
JpegImage Quadrants()
{
    JpegImage image{.width = 16, .height = 16};
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            image.pixels.push_back(y < 8 ? (x < 8 ? 0xFF0000u : 0x00FF00u) : (x < 8 ? 0x0000FFu : 0xFFFFFFu));
    return image;
}

// Lossy coding moves channels a little; a wrong channel order or row order moves them by 255.
void ExpectNear(uint32_t actual, uint32_t expected)
{
    EXPECT_EQ(actual >> 24, 0xFFu);
    for (int shift : {16, 8, 0})
        EXPECT_NEAR(static_cast<int>(actual >> shift & 0xFF), static_cast<int>(expected >> shift & 0xFF), 6)
            << std::hex << actual << " vs " << expected;
}

// Offset of the first frame header (SOF0, SOF2, SOF9 or SOF10) of a JPEG file.
size_t FrameHeader(const std::vector<uint8_t>& jpeg)
{
    for (size_t i = 2; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF &&
            (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2 || jpeg[i + 1] == 0xC9 || jpeg[i + 1] == 0xCA))
            return i;
    return 0;
}

} // namespace

TEST(Jpeg, DecodesBaselineProgressiveArithmeticAndGrey)
{
    struct Case {
        const char* name;
        bool progressive, arithmetic;
    };
    for (const Case& c : {Case{"baseline", false, false}, Case{"progressive", true, false},
                          Case{"arithmetic", false, true}, Case{"progressive arithmetic", true, true}}) {
        SCOPED_TRACE(c.name);
        JpegImage image = Quadrants();
        image.progressive = c.progressive;
        image.arithmetic = c.arithmetic;
        Picture picture = Sentinel();
        std::string error;
        ASSERT_TRUE(DecodeJpeg(BuildJpeg(image), picture, &error)) << error;
        ASSERT_EQ(picture.width, 16);
        ASSERT_EQ(picture.height, 16);
        ASSERT_EQ(picture.pixels.size(), 256u);
        ExpectNear(picture.Pixel(3, 3), 0xFF0000);
        ExpectNear(picture.Pixel(12, 3), 0x00FF00);
        ExpectNear(picture.Pixel(3, 12), 0x0000FF);
        ExpectNear(picture.Pixel(12, 12), 0xFFFFFF);
    }

    JpegImage grey{.width = 8, .height = 2, .grey = true};
    for (int i = 0; i < 16; ++i)
        grey.pixels.push_back(i < 8 ? 0x20 : 0xC0);
    Picture picture;
    ASSERT_TRUE(DecodeJpeg(BuildJpeg(grey), picture));
    ExpectNear(picture.Pixel(4, 0), 0x202020);
    ExpectNear(picture.Pixel(4, 1), 0xC0C0C0);
}

TEST(Jpeg, RefusesDamagedDataAndKeepsThePicture)
{
    const std::vector<uint8_t> good = BuildJpeg(Quadrants());
    std::vector<uint8_t> huge = good;
    const size_t sof = FrameHeader(huge);
    ASSERT_NE(sof, 0u);
    huge[sof + 5] = huge[sof + 7] = 0xFD; // 65000 x 65000 in a 16 x 16 file
    huge[sof + 6] = huge[sof + 8] = 0xE8;
    const std::vector<uint8_t> half(good.begin(), good.begin() + static_cast<ptrdiff_t>(good.size() / 2));
    const std::vector<uint8_t> headerOnly(good.begin(), good.begin() + static_cast<ptrdiff_t>(sof + 4));
    const std::vector<uint8_t> noEnd(good.begin(), good.end() - 2);
    // Arithmetic-coded data ends without a warning; the rest of a larger claim would be blank.
    JpegImage arithmetic = Quadrants();
    arithmetic.arithmetic = true;
    std::vector<uint8_t> blank = BuildJpeg(arithmetic);
    const size_t arithmeticSof = FrameHeader(blank);
    blank[arithmeticSof + 5] = blank[arithmeticSof + 7] = 0x0F; // 4000 x 4000
    blank[arithmeticSof + 6] = blank[arithmeticSof + 8] = 0xA0;
    std::vector<uint8_t> notJpeg = BuildTga(TgaImage{.width = 1, .height = 1, .pixels = {0}});

    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    for (const Case& c : {Case{"empty", {}}, Case{"not a JPEG", notJpeg}, Case{"cut in the middle", half},
                          Case{"cut in the headers", headerOnly}, Case{"end marker missing", noEnd},
                          Case{"claims 65000 x 65000", huge}, Case{"arithmetic, claims 4000 x 4000", blank}}) {
        SCOPED_TRACE(c.name);
        Picture picture = Sentinel();
        std::string error;
        EXPECT_FALSE(DecodeJpeg(c.bytes, picture, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(picture.width, 1);
        EXPECT_EQ(picture.pixels, Sentinel().pixels);
    }
}

TEST(PictureFromPak, LoadsMembersAndFailsQuietlyOrWithTheMessages)
{
    ScratchDir dir;
    const std::vector<uint8_t> jpeg = BuildJpeg(Quadrants());
    const std::vector<uint8_t> tga =
        BuildTga(TgaImage{.type = 10, .depth = 24, .width = 2, .height = 1, .pixels = {0x0000FF, 0x0000FF}});
    const std::string pack = dir.File("pak0.pk3");
    testsupport::WriteFile(pack, testsupport::BuildZip({
                                     {.name = "levelshots/q3dm1.jpg", .data = jpeg, .deflate = true},
                                     {.name = "gfx/2d/defer.tga", .data = tga},
                                     {.name = "levelshots/q3dm2.JPG", .data = jpeg},
                                     {.name = "levelshots/cut.jpg", .data = {jpeg.begin(), jpeg.begin() + 300}},
                                     {.name = "icons/cut.tga", .data = {tga.begin(), tga.end() - 1}},
                                     {.name = "icons/badcrc.tga", .data = tga, .badCrc = true},
                                 }));
    const std::string noMember = "Memory Allocation Error in proc GetPictureFromPak (unzipfiletomemory)";
    struct Case {
        const char* pack;
        const char* member;
        int width;                // 0: the load fails
        const char* message = ""; // error text shown under "Debug", if any
    };
    const Case cases[] = {
        {"pak0.pk3", "levelshots\\q3dm1.jpg", 16}, {"pak0.pk3", "gfx\\2d\\defer.tga", 2},
        {"pak0.pk3", "GFX\\2D\\DEFER.TGA", 2},    // the lookup ignores case, the decoder choice does not
        {"pak0.pk3", "levelshots\\q3dm2.JPG", 0}, // a JPEG named ".JPG" is read as TGA and fails
        {"pak0.pk3", "levelshots\\q3dm1.tga", 0}, // missing member: no message
        {"pak9.pk3", "levelshots\\q3dm1.jpg", 0}, // missing pack: no message
        {"pak0.pk3", "levelshots\\cut.jpg", 0},   // undecodable members fail quietly
        {"pak0.pk3", "icons\\cut.tga", 0},         {"pak0.pk3", "icons\\badcrc.tga", 0, noMember.c_str()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pack) + " " + c.member);
        Picture picture = Sentinel();
        const auto loaded = GetPictureFromPak(dir.File(c.pack), c.member, picture);
        EXPECT_EQ(loaded.ok(), c.width != 0);
        EXPECT_EQ(picture.width, c.width ? c.width : 1);
        if (!loaded) {
            EXPECT_EQ(picture.pixels, Sentinel().pixels);
            // Only what the user is told about carries a text; the rest is passed over quietly.
            EXPECT_EQ(loaded.text(), c.message);
        }
    }
    EXPECT_EQ(core::kPictureErrorTitle, std::string("Debug"));

    Picture picture;
    ASSERT_TRUE(GetPictureFromPak(pack, "gfx\\2d\\defer.tga", picture));
    EXPECT_EQ(picture.pixels, (std::vector<uint32_t>{0xFF0000FF, 0xFF0000FF}));
}

TEST(PictureFromPak, RefusesAnImpossibleSizeClaimWithoutAllocating)
{
    ScratchDir dir;
    testsupport::ZipLayout layout;
    std::vector<uint8_t> zip = testsupport::BuildZip(
        {{.name = "levelshots/big.tga", .data = BuildTga(TgaImage{.width = 1, .height = 1, .pixels = {0}})}}, {},
        &layout);
    // 4 GB uncompressed claimed by the directory entry (its size field is at offset 24).
    zip[layout.directoryOffset + 27] = 0xF0;
    const std::string pack = dir.File("claim.pk3");
    testsupport::WriteFile(pack, zip);
    Picture picture = Sentinel();
    const auto loaded = GetPictureFromPak(pack, "levelshots\\big.tga", picture);
    EXPECT_FALSE(loaded);
    EXPECT_EQ(loaded.text(), "");
    EXPECT_EQ(picture.pixels, Sentinel().pixels);
}
