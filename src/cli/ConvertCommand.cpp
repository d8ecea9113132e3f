#include "cli/ConvertCommand.h"

#include <iostream>
#include <optional>

#include "core/convert/DemoConversion.h"
#include "core/convert/DemoFileConversion.h"

namespace cli {
namespace {

// The exit status of a demo that breaks off, as "events" uses it.
constexpr int kBrokeOff = 3;
constexpr const char* kUsage = "usage: velmora-cli convert [--to 68|71] [--base FOLDER] [--game-version TEXT] IN OUT\n";

} // namespace

int RunConvert(const std::vector<std::string>& args)
{
    std::optional<int> target;
    std::string gameVersion;
    std::string baseFolder = "baseq3";
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if ((arg == "--to" || arg == "--game-version" || arg == "--base") && i + 1 == args.size()) {
            std::cerr << "velmora-cli convert: " << arg << " needs a value\n" << kUsage;
            return 2;
        }
        if (arg == "--to") {
            const std::string& value = args[++i];
            if (value != "68" && value != "71") {
                std::cerr << "velmora-cli convert: --to takes 68 or 71, not " << value << "\n";
                return 2;
            }
            target = std::stoi(value);
        } else if (arg == "--game-version") {
            gameVersion = args[++i];
        } else if (arg == "--base") {
            baseFolder = args[++i];
        } else if (arg.rfind("--", 0) == 0) {
            std::cerr << "velmora-cli convert: unknown option " << arg << "\n";
            return 2;
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2) {
        std::cerr << kUsage;
        return 2;
    }
    if (positional[0] == positional[1]) {
        std::cerr << "velmora-cli convert: the converted demo cannot replace " << positional[0] << "\n";
        return 2;
    }

    core::DemoFileConversion job;
    job.name = positional[0];
    job.output = positional[1];
    job.data = core::GameDataForBaseFolder(baseFolder);
    if (!gameVersion.empty())
        job.data.gameVersion = gameVersion;
    job.toProtocol = target;
    const core::DemoFileConversionResult result = core::ConvertDemoFile(job);
    if (!result.ok) {
        std::cerr << "velmora-cli convert: " << job.name << ": " << result.failure << "\n";
        return 1;
    }
    for (const std::string& line : result.dropped)
        std::cerr << "velmora-cli convert: " << line << "\n";
    if (!result.brokeOff.empty()) {
        std::cerr << "velmora-cli convert: " << job.name << ": " << result.brokeOff << "; converted up to there\n";
        return kBrokeOff;
    }
    return 0;
}

} // namespace cli
