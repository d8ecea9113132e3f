#pragma once
// Truevision TGA pictures as the game and its tools write them: colour-mapped, true-colour and
// grey images, uncompressed (types 1, 2, 3) or run-length encoded (types 9, 10, 11).
#include <cstdint>
#include <span>
#include <string>

#include "core/pictures/Picture.h"

namespace core {

// Why a TGA was refused: data that ends early or contradicts its header, or a kind of TGA that is
// not read at all.
inline constexpr const char* kTargaInvalidImage = "Targa: invalid image";
inline constexpr const char* kTargaUnsupported = "Targa: unsupported image type";

// Decodes a whole TGA file held in memory. On success fills `picture` and returns true; on
// failure leaves `picture` unchanged, stores the reason in `error` (when given) and returns false.
// Never reads outside `data` and never allocates more pixels than the data can describe.
bool DecodeTarga(std::span<const uint8_t> data, Picture& picture, std::string* error = nullptr);

} // namespace core
