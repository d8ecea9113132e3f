#include "support/JpegBuilder.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace testsupport {

std::vector<uint8_t> BuildJpeg(const JpegImage& image)
{
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors); // a bad description ends the test program, as it should
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);

    cinfo.image_width = static_cast<JDIMENSION>(image.width);
    cinfo.image_height = static_cast<JDIMENSION>(image.height);
    cinfo.input_components = image.grey ? 1 : 3;
    cinfo.in_color_space = image.grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, image.quality, TRUE);
    if (!image.grey) {
        // No chroma subsampling, so that sharp colour edges come back close to what went in.
        for (int c = 0; c < 3; ++c)
            cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
    }
    if (image.progressive)
        jpeg_simple_progression(&cinfo);
    cinfo.arith_code = image.arithmetic ? TRUE : FALSE;
    jpeg_start_compress(&cinfo, TRUE);

    std::vector<JSAMPLE> row(static_cast<size_t>(image.width) * static_cast<size_t>(cinfo.input_components));
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const uint32_t p = image.pixels[static_cast<size_t>(y) * static_cast<size_t>(image.width) + x];
            if (image.grey) {
                row[static_cast<size_t>(x)] = static_cast<JSAMPLE>(p & 0xFF);
            } else {
                row[static_cast<size_t>(x) * 3] = static_cast<JSAMPLE>(p >> 16);
                row[static_cast<size_t>(x) * 3 + 1] = static_cast<JSAMPLE>(p >> 8);
                row[static_cast<size_t>(x) * 3 + 2] = static_cast<JSAMPLE>(p);
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<uint8_t> bytes(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return bytes;
}

} // namespace testsupport
