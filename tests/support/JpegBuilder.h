#pragma once
// Writes small JPEG pictures for tests and fuzz seeds with libjpeg's own compressor.
#include <cstdint>
#include <vector>

namespace testsupport {

struct JpegImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels{}; // top-down, 0x00RRGGBB (only the grey of each is used when grey)
    bool grey = false;              // one component instead of YCbCr
    bool progressive = false;
    bool arithmetic = false; // arithmetic instead of Huffman coding
    int quality = 100;
};

std::vector<uint8_t> BuildJpeg(const JpegImage& image);

} // namespace testsupport
