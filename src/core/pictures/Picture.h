#pragma once
// Pictures taken out of the game's packs: level shots, player and team icons, flags, the logo.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/Result.h"

namespace core {

// A decoded picture as the GUI shows it. Each pixel is one 32-bit value 0xFFRRGGBB (always
// opaque: the alpha of 32-bit pictures plays no part in display), rows top-down, `width` pixels
// per row. The layout matches QImage::Format_RGB32, so the GUI can wrap the pixels without
// converting them.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    bool IsNull() const { return width <= 0 || height <= 0; }
    uint32_t Pixel(int x, int y) const { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + x]; }
};

// Largest picture any decoder agrees to build (16384 x 16384, 1 GiB of pixels). The game's own
// pictures stay far below; anything larger is a damaged or hostile file.
inline constexpr uint64_t kMaxPicturePixels = uint64_t{16384} * 16384;

// Decodes a pack member's bytes: a name whose extension is exactly ".jpg" (case matters) is read
// as JPEG, every other name as TGA. Returns false for data that does not decode and then leaves
// `picture` unchanged.
bool DecodePicture(std::string_view memberName, std::span<const uint8_t> data, Picture& picture);

enum class PictureError {
    Missing,      // no such pack or member
    Undecodable,  // the member's bytes are no picture
    NoMemory,     // no room for the member's bytes
    NotExtracted, // the member could not be unpacked
};
// The title under which a failure with a text is shown.
inline constexpr const char* kPictureErrorTitle = "Debug";

// Loads the member `memberName` ("\" between folders) of the pack at `packPath` into `picture`.
// Fails when the pack or the member is missing, the member cannot be extracted or it does not
// decode; `picture` is changed only on success, so callers can try the next candidate and keep
// what they showed before. Memory and extraction failures carry the text users know; a missing
// pack or member and undecodable data carry none, as they are passed over quietly.
Result<Done, PictureError> GetPictureFromPak(const std::string& packPath, const std::string& memberName,
                                             Picture& picture);

} // namespace core
