#include "support/TgaBuilder.h"
#include "support/LittleEndian.h"

#include <stdexcept>

namespace testsupport {
namespace {

bool IsRunLength(uint8_t type)
{
    return type >= 9;
}

// Colour-mapped pixels are indices, stored as plain little-endian numbers of 8 or 16 bits.
void AppendPixel(std::vector<uint8_t>& out, uint32_t value, const TgaImage& image)
{
    if ((image.type == 1 || image.type == 9) && image.depth == 16)
        Put16(out, value);
    else
        AppendTgaValue(out, value, image.depth);
}

void AppendPackets(std::vector<uint8_t>& out, const std::vector<uint32_t>& pixels, const TgaImage& image)
{
    size_t i = 0;
    while (i < pixels.size()) {
        size_t run = 1;
        while (i + run < pixels.size() && run < 128 && pixels[i + run] == pixels[i])
            ++run;
        if (run >= 2) {
            out.push_back(static_cast<uint8_t>(0x80 | (run - 1)));
            AppendPixel(out, pixels[i], image);
            i += run;
            continue;
        }
        // A raw packet up to the next pair of equal pixels.
        size_t count = 1;
        while (i + count < pixels.size() && count < 128 &&
               !(i + count + 1 < pixels.size() && pixels[i + count] == pixels[i + count + 1]))
            ++count;
        out.push_back(static_cast<uint8_t>(count - 1));
        for (size_t k = 0; k < count; ++k)
            AppendPixel(out, pixels[i + k], image);
        i += count;
    }
}

} // namespace

void AppendTgaValue(std::vector<uint8_t>& out, uint32_t value, int bits)
{
    const uint32_t a = value >> 24 & 0xFF, r = value >> 16 & 0xFF, g = value >> 8 & 0xFF, b = value & 0xFF;
    switch (bits) {
    case 8:
        out.push_back(static_cast<uint8_t>(value));
        break;
    case 15:
    case 16:
        Put16(out, (a >= 0x80 ? 0x8000u : 0u) | (r >> 3) << 10 | (g >> 3) << 5 | b >> 3);
        break;
    case 24:
        out.insert(out.end(), {static_cast<uint8_t>(b), static_cast<uint8_t>(g), static_cast<uint8_t>(r)});
        break;
    case 32:
        out.insert(out.end(), {static_cast<uint8_t>(b), static_cast<uint8_t>(g), static_cast<uint8_t>(r),
                               static_cast<uint8_t>(a)});
        break;
    default:
        throw std::invalid_argument("TGA value of " + std::to_string(bits) + " bits");
    }
}

std::vector<uint8_t> BuildTga(const TgaImage& image)
{
    const bool hasMap = !image.map.empty() || image.mapEntryBits != 0;
    std::vector<uint8_t> out;
    out.push_back(static_cast<uint8_t>(image.id.size()));
    out.push_back(hasMap ? 1 : 0);
    out.push_back(image.type);
    Put16(out, image.mapFirst);
    Put16(out, static_cast<uint32_t>(image.map.size()));
    out.push_back(image.mapEntryBits);
    Put16(out, 0); // x origin
    Put16(out, 0); // y origin
    Put16(out, image.width);
    Put16(out, image.height);
    out.push_back(image.depth);
    const uint8_t alphaBits = image.depth == 32 ? 8 : image.depth == 16 ? 1 : 0;
    out.push_back(static_cast<uint8_t>(alphaBits | (image.topDown ? 0x20 : 0)));
    out.insert(out.end(), image.id.begin(), image.id.end());
    for (uint32_t entry : image.map)
        AppendTgaValue(out, entry, image.mapEntryBits);

    // Stored order: rows reversed unless top-down.
    std::vector<uint32_t> stored;
    stored.reserve(image.pixels.size());
    const size_t width = image.width;
    if (image.topDown || width == 0) {
        stored = image.pixels;
    } else {
        for (size_t row = image.pixels.size() / width; row-- > 0;)
            stored.insert(stored.end(), image.pixels.begin() + static_cast<ptrdiff_t>(row * width),
                          image.pixels.begin() + static_cast<ptrdiff_t>((row + 1) * width));
    }
    if (IsRunLength(image.type)) {
        AppendPackets(out, stored, image);
    } else {
        for (uint32_t value : stored)
            AppendPixel(out, value, image);
    }
    return out;
}

} // namespace testsupport
