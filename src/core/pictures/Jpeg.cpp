#include "core/pictures/Jpeg.h"

// jpeglib.h expects size_t and FILE to be declared before it.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>
// After jpeglib.h: which warning codes exist depends on its configuration.
#include <jerror.h>

#include <csetjmp>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

namespace core {
namespace {

// Progressive and multi-scan files keep coefficients for the whole image in memory; beyond this
// libjpeg would need a temporary file, which it refuses in our build, so decoding fails instead.
constexpr long kMaxDecoderMemory = 1L << 30;
// Real progressive files have around ten scans. Thousands of tiny scans would each walk the whole
// image and make a small hostile file take minutes.
constexpr int kMaxScans = 256;
// Huffman-coded data needs at least one bit per 8 x 8 block of each scan, so even a flat grey
// picture holds no more than about 512 pixels per byte of file. At the end of arithmetic-coded
// data libjpeg goes on with zeros without a warning, so a few hundred bytes could otherwise
// claim a picture of hundreds of millions of blank pixels.
constexpr uint64_t kMaxPixelsPerByte = 1024;

// libjpeg reports fatal errors through error_exit, which must not return. We leave the library
// with longjmp back to the phase that called it; every phase function below holds nothing that
// needs a destructor, so the jump skips only libjpeg's own C frames.
struct ErrorManager {
    jpeg_error_mgr pub; // first member: libjpeg hands us a pointer to it
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX] = {};
};

[[noreturn]] void LeaveLibrary(j_common_ptr cinfo)
{
    auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, manager->message);
    std::longjmp(manager->jump, 1);
}

// Warnings after which libjpeg would go on with made-up data (grey blocks for a truncated file,
// garbage after a damaged Huffman code). The end of input counts even when only the end marker is
// missing: the decoder reads ahead and cannot tell the two apart. Others, such as stray bytes
// between markers or an unknown JFIF version, leave the picture intact.
bool LosesData(int code)
{
    switch (code) {
    case JWRN_JPEG_EOF:
    case JWRN_HUFF_BAD_CODE:
#if JPEG_LIB_VERSION >= 70 || defined(D_ARITH_CODING_SUPPORTED)
    case JWRN_ARITH_BAD_CODE:
#endif
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
        return true;
    default:
        return false;
    }
}

void OnMessage(j_common_ptr cinfo, int level)
{
    // Level -1 is a warning, higher levels are trace output; nothing is printed either way.
    if (level < 0 && LosesData(cinfo->err->msg_code))
        LeaveLibrary(cinfo);
}

void LimitScans(j_common_ptr cinfo)
{
    auto* decompressor = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (decompressor->input_scan_number > kMaxScans) {
        auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
        std::snprintf(manager->message, sizeof manager->message, "Too many scans in JPEG file (more than %d)",
                      kMaxScans);
        std::longjmp(manager->jump, 1);
    }
}

struct Session {
    jpeg_decompress_struct cinfo{};
    ErrorManager errors{};
    jpeg_progress_mgr progress{};
    bool created = false;

    Session()
    {
        cinfo.err = jpeg_std_error(&errors.pub);
        errors.pub.error_exit = LeaveLibrary;
        errors.pub.emit_message = OnMessage;
        progress.progress_monitor = LimitScans;
    }
    ~Session()
    {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
};

bool ReadHeader(Session& s, const uint8_t* data, size_t size)
{
    if (setjmp(s.errors.jump))
        return false;
    jpeg_create_decompress(&s.cinfo);
    s.created = true;
    s.cinfo.mem->max_memory_to_use = kMaxDecoderMemory;
    s.cinfo.progress = &s.progress;
    jpeg_mem_src(&s.cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&s.cinfo, TRUE);
    // Grey pictures come out as RGB too; CMYK ones cannot and fail in jpeg_start_decompress.
    s.cinfo.out_color_space = JCS_RGB;
    return true;
}

// Appends rows to `pixels`, whose capacity already holds the whole picture, so appending neither
// allocates nor throws while libjpeg may still jump out.
bool ReadRows(Session& s, std::vector<uint32_t>& pixels)
{
    if (setjmp(s.errors.jump))
        return false;
    jpeg_start_decompress(&s.cinfo);
    const JDIMENSION width = s.cinfo.output_width;
    if (s.cinfo.output_components != 3 || uint64_t{width} * s.cinfo.output_height > pixels.capacity())
        return false;
    JSAMPARRAY row = (*s.cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&s.cinfo), JPOOL_IMAGE, width * 3, 1);
    while (s.cinfo.output_scanline < s.cinfo.output_height) {
        if (jpeg_read_scanlines(&s.cinfo, row, 1) != 1)
            return false;
        const JSAMPLE* rgb = row[0];
        for (JDIMENSION x = 0; x < width; ++x, rgb += 3)
            pixels.push_back(0xFF000000u | uint32_t{rgb[0]} << 16 | uint32_t{rgb[1]} << 8 | rgb[2]);
    }
    // No jpeg_finish_decompress: nothing after the last row changes the picture, and trailing
    // bytes behind it should not decide whether it is shown.
    return true;
}

} // namespace

bool DecodeJpeg(std::span<const uint8_t> data, Picture& picture, std::string* error)
{
    Session session;
    auto fail = [&](const char* reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (data.empty())
        return fail("Empty input file");
    if (!ReadHeader(session, data.data(), data.size()))
        return fail(session.errors.message);

    const uint64_t width = session.cinfo.image_width;
    const uint64_t height = session.cinfo.image_height;
    if (width == 0 || height == 0 || width * height > kMaxPicturePixels ||
        width * height > data.size() * kMaxPixelsPerByte)
        return fail("Picture too large for its data");
    std::vector<uint32_t> pixels;
    try {
        pixels.reserve(static_cast<size_t>(width * height));
    } catch (const std::bad_alloc&) {
        return fail("Insufficient memory");
    }
    if (!ReadRows(session, pixels) || pixels.size() != width * height)
        return fail(session.errors.message[0] ? session.errors.message : "Unsupported JPEG picture");

    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    picture.pixels = std::move(pixels);
    return true;
}

} // namespace core
