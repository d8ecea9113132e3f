// Decodes arbitrary bytes as a TGA picture, as GetPictureFromPak does for every member whose name
// does not end in ".jpg".
#include "core/pictures/Targa.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    core::Picture picture;
    if (core::DecodeTarga({data, size}, picture)) {
        // A decoded picture must hold exactly its rows, every pixel opaque.
        if (picture.IsNull() || picture.pixels.size() != static_cast<size_t>(picture.width) * picture.height)
            __builtin_trap();
        for (uint32_t pixel : picture.pixels)
            if (pixel >> 24 != 0xFF)
                __builtin_trap();
    }
    return 0;
}
