#pragma once
// Writes TGA pictures for tests and fuzz seeds from a readable description:
//
//   testsupport::TgaImage image{.type = 10, .depth = 16, .width = 2, .height = 1,
//                               .pixels = {0xFF0000, 0x0000FF}};
//   std::vector<uint8_t> bytes = testsupport::BuildTga(image);
//
// `pixels` are always given top-down, row by row; the builder stores them bottom-up unless
// `topDown` is set. For true-colour types they are colours 0xAARRGGBB (16-bit values keep the top
// five bits of each channel and set the attribute bit when alpha >= 0x80), for colour-mapped
// types indices as stored, for grey types grey levels.
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct TgaImage {
    uint8_t type = 2;   // 1, 2, 3 plain; 9, 10, 11 run-length encoded (any value is written)
    uint8_t depth = 24; // bits per stored pixel (index size for colour-mapped types)
    uint16_t width = 0;
    uint16_t height = 0;
    bool topDown = false;
    std::string id{};            // image identification field
    uint8_t mapEntryBits = 0;    // 15, 16, 24 or 32; with `map` empty and 0 no colour map is written
    uint16_t mapFirst = 0;       // index of the first stored map entry
    std::vector<uint32_t> map{}; // colour map entries, 0xAARRGGBB
    std::vector<uint32_t> pixels{};
    // Run-length types: runs of two or more equal pixels become run packets, the rest raw
    // packets; packets run on across row ends.
};

std::vector<uint8_t> BuildTga(const TgaImage& image);

// Appends one stored value of `bits` bits (8, 15, 16, 24, 32) in TGA byte order.
void AppendTgaValue(std::vector<uint8_t>& out, uint32_t value, int bits);

} // namespace testsupport
