#pragma once
// JPEG (JFIF) pictures through libjpeg-turbo.
#include <cstdint>
#include <span>
#include <string>

#include "core/pictures/Picture.h"

namespace core {

// Decodes a whole JPEG file held in memory. On success fills `picture` and returns true; on
// failure leaves `picture` unchanged, stores libjpeg's reason in `error` (when given) and returns
// false. Truncated or corrupt entropy data counts as failure rather than a partly grey picture.
bool DecodeJpeg(std::span<const uint8_t> data, Picture& picture, std::string* error = nullptr);

} // namespace core
