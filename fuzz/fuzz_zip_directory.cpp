// Walks the central directory of arbitrary bytes the way the scanner and the pack lookups do.
#include "FuzzFiles.h"
#include "core/archive/ZipRead.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using fuzzfiles::WriteInput;

// The reader works on files, so each input is written to one (in memory where /dev/shm exists).
const std::string& ArchivePath()
{
    static const std::string path = [] {
        return (fuzzfiles::ScratchBase() / ("velmora-fuzz-zipdir-" + std::to_string(::getpid()) + ".pk3")).string();
    }();
    static const bool cleanup = std::atexit([] { std::remove(ArchivePath().c_str()); }) == 0;
    (void)cleanup;
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& path = ArchivePath();
    if (!WriteInput(path, data, size))
        return 0;

    core::IsZipFile(path);

    core::ZipSearchRec search;
    std::string lastName;
    for (int r = core::FindFirstInZip(path, search); r == 0; r = core::FindNextInZip(search)) {
        if (search.name.size() > 259)
            __builtin_trap();
        lastName = search.name;
        // Whatever the entry claims, the bound follows from the archive's real size.
        const uint64_t fromHeader =
            search.archiveSize > search.headerOffset ? search.archiveSize - search.headerOffset : 0;
        if (core::MaxPlausibleSize(search.method, search.compressedSize, fromHeader) >
            fromHeader * core::kDeflateMaxRatio + 1024)
            __builtin_trap();
    }
    if (search.open || search.archive)
        __builtin_trap(); // a finished walk must release everything

    const std::string pattern = "*\\*.dm*";
    for (int r = core::FindFirstMatching(path, pattern, search); r == 0; r = core::FindNextMatching(pattern, search)) {
    }
    if (!lastName.empty())
        core::FindMemberByName(path, lastName, search);
    core::CloseZipSearch(search);
    return 0;
}
