// Decodes arbitrary bytes as a JPEG picture through libjpeg-turbo, as GetPictureFromPak does for
// members named ".jpg".
#include "core/pictures/Jpeg.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    core::Picture picture;
    if (core::DecodeJpeg({data, size}, picture)) {
        if (picture.IsNull() || picture.pixels.size() != static_cast<size_t>(picture.width) * picture.height)
            __builtin_trap();
    }
    return 0;
}
