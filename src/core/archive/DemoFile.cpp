#include "core/archive/DemoFile.h"

#include <cstdint>
#include <cstdio>
#include <new>
#include <optional>

#include "core/archive/ZipRead.h"
#include "core/row/DemoInfo.h"
#include "platform/FileSystem.h"
#include "platform/RegularFile.h"

namespace core {
namespace {

const char* const kMemoryError = "Memory Allocation Error in proc GetFromDemo";

bool Allocate(DemoBytes& bytes, uint64_t size)
{
    if (size > SIZE_MAX || !bytes.data.Allocate(static_cast<size_t>(size))) {
        bytes.memoryError = true;
        bytes.problem = kMemoryError;
        return false;
    }
    return true;
}

std::string UnsupportedMemberText(const std::string& reason, const std::string& archive, const std::string& name)
{
    return "Archive member not readable (" + reason + "): " + archive + " " + name;
}

DemoBytes LoadMember(const std::string& name, const std::string& archive)
{
    DemoBytes bytes;
    MemberPlace place;
    if (!FindMemberPlace(archive, name, place))
        return bytes; // not in the archive: an empty demo, no message
    return LoadMemberBytes(archive, name, place);
}

} // namespace

DemoBytes LoadMemberBytes(const std::string& archive, const std::string& name, const MemberPlace& place)
{
    DemoBytes bytes;
    bytes.dosDateTime = place.dosDateTime;
    bytes.found = true;
    bytes.size = place.size;
    const std::string unsupported = UnsupportedMemberReason(place.method, place.flags);
    if (!unsupported.empty()) {
        bytes.problem = UnsupportedMemberText(unsupported, archive, name);
        return bytes;
    }
    if (!place.Plausible() || place.size > kMaxDemoMemberSize) {
        // A directory entry promising more than the archive can hold is damaged or hostile;
        // refuse it instead of allocating the claim.
        bytes.problem =
            "Damaged archive member (size " + std::to_string(place.size) + " bytes claimed): " + archive + " " + name;
        return bytes;
    }
    if (!Allocate(bytes, place.size))
        return bytes;
    uint32_t stored = place.size;
    const UnzipResult result = UnzipFileToMemory(archive, bytes.data.data(), stored, place.headerOffset);
    if (result == UnzipResult::NotSupported || result == UnzipResult::Encrypted) {
        // The local header disagrees with the directory, which looked readable.
        bytes.data.Clear();
        bytes.problem = UnsupportedMemberText(
            result == UnzipResult::Encrypted ? "encryption" : "its compression method", archive, name);
        return bytes;
    }
    if (result != UnzipResult::Ok && result != UnzipResult::CrcError) {
        // Nothing trustworthy came out: walk nothing rather than a zero-filled buffer.
        bytes.data.Clear();
        return bytes;
    }
    bytes.data.Shrink(stored);
    return bytes;
}

namespace {

DemoBytes LoadFile(const std::string& path)
{
    DemoBytes bytes;
    std::FILE* file = platform::OpenRegularFileStream(path);
    if (!file)
        return bytes;
    const std::optional<platform::FileStatus> status = platform::StatusOf(file);
    if (!status) {
        std::fclose(file);
        return bytes;
    }
    bytes.found = true;
    bytes.size = status->size;
    bytes.dosDateTime = DosDateTimeFromUnix(status->modified);
    if (Allocate(bytes, bytes.size)) {
        const size_t got = bytes.size ? std::fread(bytes.data.data(), 1, bytes.data.size(), file) : 0;
        bytes.data.Shrink(got); // a file that shrank while being read: walk what arrived
    }
    std::fclose(file);
    return bytes;
}

} // namespace

bool ByteBuffer::Allocate(size_t size)
{
    m_data.reset(new (std::nothrow) uint8_t[size ? size : 1]);
    m_size = m_data ? size : 0;
    return m_data != nullptr;
}

DemoBytes LoadDemoBytes(const std::string& name, const std::string& archive)
{
    return archive.empty() ? LoadFile(name) : LoadMember(name, archive);
}

} // namespace core
