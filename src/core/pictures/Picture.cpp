#include "core/pictures/Picture.h"

#include <filesystem>
#include <memory>
#include <new>

#include "core/archive/ZipRead.h"
#include "core/common/FileNames.h"
#include "core/pictures/Jpeg.h"
#include "core/pictures/Targa.h"

namespace core {

bool DecodePicture(std::string_view memberName, std::span<const uint8_t> data, Picture& picture)
{
    // As the game's tools see it: only a lower-case ".jpg" is a JPEG.
    if (ExtensionOf(memberName) == ".jpg")
        return DecodeJpeg(data, picture);
    return DecodeTarga(data, picture);
}

Result<Done, PictureError> GetPictureFromPak(const std::string& packPath, const std::string& memberName,
                                             Picture& picture)
{
    const Failure<PictureError> missing{PictureError::Missing, ""};
    std::error_code ec;
    if (!std::filesystem::exists(packPath, ec))
        return missing;

    MemberPlace place;
    if (!FindMemberPlace(packPath, memberName, place))
        return missing;
    // A directory entry promising more than its compressed bytes can hold is damaged; treat it
    // like any other member that does not decode instead of reserving the claim.
    if (!place.Plausible())
        return Failure<PictureError>{PictureError::Undecodable, ""};
    const uint32_t size = place.size;
    const uint32_t headerOffset = place.headerOffset;

    // A failure ends nothing but this member: the callers go on with their next candidate.
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[size ? size : 1]);
    if (!buffer)
        return Failure<PictureError>{PictureError::NoMemory, "Memory Allocation Error in proc GetPictureFromPak"};
    uint32_t stored = size;
    if (UnzipFileToMemory(packPath, buffer.get(), stored, headerOffset) != UnzipResult::Ok)
        return Failure<PictureError>{PictureError::NotExtracted,
                                     "Memory Allocation Error in proc GetPictureFromPak (unzipfiletomemory)"};
    if (!DecodePicture(memberName, {buffer.get(), stored}, picture))
        return Failure<PictureError>{PictureError::Undecodable, ""};
    return Done{};
}

} // namespace core
