// Extracts every member of arbitrary bytes to memory and to a file, as the demo reader, the
// pack lookups and the play preparation do.
#include "FuzzFiles.h"
#include "core/archive/ZipRead.h"

#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using fuzzfiles::WriteInput;

const fs::path& WorkDir()
{
    static const fs::path dir = [] {
        std::error_code ec;
        fs::path d = fuzzfiles::ScratchBase() / ("velmora-fuzz-zipx-" + std::to_string(::getpid()));
        fs::create_directories(d, ec);
        return d;
    }();
    static const bool cleanup =
        std::atexit([] {
            std::error_code ec;
            fs::permissions(WorkDir() / "out" / "member.dm_48", fs::perms::owner_write, fs::perm_options::add, ec);
            fs::remove_all(WorkDir(), ec);
        }) == 0;
    (void)cleanup;
    return dir;
}

constexpr size_t kMaxMembers = 32;
constexpr size_t kMaxFileExtractions = 4;
constexpr uint64_t kMaxBuffer = 1 << 20;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string archive = (WorkDir() / "input.zip").string();
    const std::string target = (WorkDir() / "out" / "member.dm_48").string();
    if (!WriteInput(archive, data, size))
        return 0;

    struct Member {
        uint32_t headerOffset, size, compressedSize;
        uint16_t method;
        uint8_t attributes;
        uint64_t archiveSize;
    };
    std::vector<Member> members;
    core::ZipSearchRec search;
    for (int r = core::FindFirstInZip(archive, search); r == 0 && members.size() < kMaxMembers;
         r = core::FindNextInZip(search))
        members.push_back({search.headerOffset, search.size, search.compressedSize, search.method, search.attributes,
                           search.archiveSize});
    core::CloseZipSearch(search);
    // The local header at the very start, whatever the directory says.
    members.push_back({0, 4096, 4096, 8, 0, size});

    std::vector<uint8_t> buffer;
    size_t toFile = 0;
    for (const Member& m : members) {
        // Callers size the buffer from the directory but never beyond what the data can hold.
        const uint64_t fromHeader = m.archiveSize > m.headerOffset ? m.archiveSize - m.headerOffset : 0;
        const uint64_t capacity =
            std::min<uint64_t>({m.size, core::MaxPlausibleSize(m.method, m.compressedSize, fromHeader), kMaxBuffer});
        buffer.assign(static_cast<size_t>(capacity), 0);
        uint32_t stored = static_cast<uint32_t>(capacity);
        core::UnzipFileToMemory(archive, buffer.data(), stored, m.headerOffset);
        if (stored > capacity)
            __builtin_trap();
        stored = static_cast<uint32_t>(capacity);
        core::UnzipFileToMemoryFrom(archive, buffer.data(), stored, 44, m.headerOffset);
        if (stored > capacity)
            __builtin_trap();
        if (toFile++ < kMaxFileExtractions) {
            core::UnzipFile(archive, target, static_cast<uint8_t>(m.attributes & ~0x10), m.headerOffset);
            std::error_code ec;
            fs::permissions(target, fs::perms::owner_write, fs::perm_options::add, ec);
        }
    }
    return 0;
}
