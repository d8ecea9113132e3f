// Demos inside archives whose directory claims whatever it likes, read the way the scanner reads
// them; and, beside every input, pipes named like a demo and an archive, which must be refused at
// once (a reader that waits on one runs into the time-out).
#include "FuzzFiles.h"
#include "core/archive/DemoFile.h"
#include "core/archive/ZipRead.h"
#include "core/summary/DemoReader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

const fs::path& WorkDir()
{
    static const fs::path dir = [] {
        std::error_code ec;
        fs::path d = fuzzfiles::ScratchBase() / ("velmora-fuzz-member-" + std::to_string(::getpid()));
        fs::create_directories(d, ec);
        ::mkfifo((d / "pipe.dm_48").c_str(), 0600);
        ::mkfifo((d / "pipe.pk3").c_str(), 0600);
        return d;
    }();
    static const bool cleanup = std::atexit([] {
                                    std::error_code ec;
                                    fs::remove_all(WorkDir(), ec);
                                }) == 0;
    (void)cleanup;
    return dir;
}

constexpr size_t kMaxMembers = 16;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string archive = (WorkDir() / "input.pk3").string();
    if (!fuzzfiles::WriteInput(archive, data, size))
        return 0;

    core::ZipSearchRec search;
    size_t members = 0;
    for (int r = core::FindFirstMatching(archive, "*\\*.dm*", search); r == 0 && members < kMaxMembers;
         r = core::FindNextMatching("*\\*.dm*", search), ++members) {
        const core::MemberPlace place{search.headerOffset, search.size,  search.compressedSize, search.time,
                                      search.method,       search.flags, search.archiveSize};
        const core::DemoBytes bytes = core::LoadMemberBytes(archive, search.name, place);
        // Nothing is ever held beyond what the archive can expand to, nor beyond the demo limit.
        const uint64_t fromHeader = size > place.headerOffset ? size - place.headerOffset : 0;
        if (bytes.data.size() > core::MaxPlausibleSize(place.method, place.compressedSize, fromHeader) ||
            bytes.data.size() > core::kMaxDemoMemberSize)
            __builtin_trap();
        core::LoadDemoMember(search.name, archive, place, (data[0] & 1) != 0);
    }
    core::CloseZipSearch(search);

    const core::DemoRead pipeDemo = core::LoadDemo((WorkDir() / "pipe.dm_48").string(), {}, false);
    if (pipeDemo && pipeDemo->size != 0)
        __builtin_trap();
    if (core::FindFirstInZip((WorkDir() / "pipe.pk3").string(), search) != -1 ||
        core::IsZipFile((WorkDir() / "pipe.pk3").string()))
        __builtin_trap();
    return 0;
}
