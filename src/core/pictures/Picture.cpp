#include "core/pictures/Picture.h"

#include <filesystem>
#include <memory>
#include <new>

#include "core/archive/ZipRead.h"
#include "core/common/FileNames.h"
#include "core/common/MessageSink.h"
#include "core/pictures/Jpeg.h"
#include "core/pictures/Targa.h"

namespace core {
namespace {

const char* const kDebugTitle = "Debug";

} // namespace

bool DecodePicture(std::string_view memberName, std::span<const uint8_t> data, Picture& picture)
{
    // As the game's tools see it: only a lower-case ".jpg" is a JPEG.
    if (ExtensionOf(memberName) == ".jpg")
        return DecodeJpeg(data, picture);
    return DecodeTarga(data, picture);
}

bool GetPictureFromPak(const std::string& packPath, const std::string& memberName, Picture& picture)
{
    std::error_code ec;
    if (!std::filesystem::exists(packPath, ec))
        return false;

    MemberPlace place;
    if (!FindMemberPlace(packPath, memberName, place))
        return false;
    // A directory entry promising more than its compressed bytes can hold is damaged; treat it
    // like any other member that does not decode instead of reserving the claim.
    if (!place.Plausible())
        return false;
    const uint32_t size = place.size;
    const uint32_t headerOffset = place.headerOffset;

    // The busy count is left alone here: the callers raised it and lower it themselves, and
    // their fallback chains go on after a false.
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[size ? size : 1]);
    if (!buffer) {
        Messages().Error("Memory Allocation Error in proc GetPictureFromPak", kDebugTitle);
        return false;
    }
    uint32_t stored = size;
    if (UnzipFileToMemory(packPath, buffer.get(), stored, headerOffset) != UnzipResult::Ok) {
        Messages().Error("Memory Allocation Error in proc GetPictureFromPak (unzipfiletomemory)", kDebugTitle);
        return false;
    }
    return DecodePicture(memberName, {buffer.get(), stored}, picture);
}

} // namespace core
