// velmora-cli: the demo reader and the scanner on the command line.
#include <clocale>
#include <iostream>
#include <string>
#include <vector>

#include "cli/ConvertCommand.h"
#include "cli/CutCommand.h"
#include "cli/EventsCommand.h"
#include "cli/IndexCommands.h"
#include "cli/InfoCommand.h"
#include "cli/ScanCommand.h"
#include "cli/VideoCommand.h"
#include "core/paths/Paths.h"

namespace {

void Usage()
{
    std::cerr
        << "usage: velmora-cli info [--course] [--plain] [--json] FILE [MEMBER]\n"
           "       velmora-cli scan [--json] [--no-cache] [--data DIR] FOLDER\n"
           "       velmora-cli scan --tree FOLDER\n"
           "       velmora-cli convert [--to 68|71] [--base FOLDER] [--game-version TEXT] IN OUT\n"
           "       velmora-cli events [--json] FILE [MEMBER]\n"
           "       velmora-cli cut --from T --to T IN OUT\n"
           "       velmora-cli video [--from T --to T] [--size WxH] [--fps N] [--format mp4|webm] [--no-sound] IN OUT\n"
           "       velmora-cli game-programs\n"
           "       velmora-cli index [--rebuild] [--data-dir DIR] [FOLDER...]\n"
           "       velmora-cli search [--json] [--data-dir DIR] QUERY\n"
           "       velmora-cli moments [--json] [--data-dir DIR] QUERY\n"
           "       velmora-cli clips [--before S] [--after S] [--data-dir DIR] QUERY OUTDIR\n";
}

} // namespace

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    if (argc < 2) {
        Usage();
        return 2;
    }
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "info")
        return cli::RunInfo(args);
    if (command == "scan")
        return cli::RunScan(args);
    if (command == "events")
        return cli::RunEvents(args);
    if (command == "cut")
        return cli::RunCut(args);
    if (command == "video")
        return cli::RunVideo(args);
    // The names the program looks for in a game folder, in its order: scripts use them instead of
    // a copy of their own.
    if (command == "game-programs" && args.empty()) {
        for (const std::string& name : core::GameExecutableNames())
            std::cout << name << '\n';
        return 0;
    }
    if (command == "convert")
        return cli::RunConvert(args);
    if (command == "index")
        return cli::RunIndex(args);
    if (command == "search")
        return cli::RunSearch(args);
    if (command == "moments")
        return cli::RunMoments(args);
    if (command == "clips")
        return cli::RunClips(args);
    Usage();
    return 2;
}
