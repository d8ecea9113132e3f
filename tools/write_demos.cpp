// Writes demos for listing: a folder of varied matches made by the project's own demo builder.
// The sample game of the README (scripts/prepare-sample-game.sh) and manual listing trials use it:
//
//   write_demos <folder> <count> [--pack NAME.pk3] [--seed N]
//
// Demos are of protocols 43, 45, 46 and 48 (".dm3" and ".dm_48"), on maps of OpenArena's data
// (the sample game's engine plays them converted), with different game types, servers, players,
// lengths and scores. With --pack they go into one archive under "demos/" instead of single files.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/DemoBuilder.h"
#include "support/SampleDemos.h"
#include "support/ZipBuilder.h"

namespace {

int Usage()
{
    std::fprintf(stderr, "usage: write_demos <folder> <count> [--pack NAME.pk3] [--seed N]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return Usage();
    const std::filesystem::path folder = argv[1];
    const int count = std::atoi(argv[2]);
    std::string pack;
    unsigned seed = 1;
    for (int i = 3; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--pack")
            pack = argv[i + 1];
        else if (option == "--seed")
            seed = static_cast<unsigned>(std::strtoul(argv[i + 1], nullptr, 10));
        else
            return Usage();
    }
    if (count <= 0)
        return Usage();
    std::filesystem::create_directories(folder);
    std::vector<testsupport::ZipMember> members;
    for (testsupport::SampleDemo& demo : testsupport::SampleDemos(count, seed)) {
        if (pack.empty())
            testsupport::WriteBytes((folder / demo.name).string(), demo.bytes);
        else
            members.push_back({.name = "demos/" + demo.name, .data = std::move(demo.bytes), .deflate = true});
    }
    if (!pack.empty())
        testsupport::WriteFile(folder / pack, testsupport::BuildZip(members));
    return 0;
}
