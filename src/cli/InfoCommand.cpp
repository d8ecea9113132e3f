#include "cli/InfoCommand.h"

#include <cstdio>
#include <iostream>
#include <optional>

#include "cli/Json.h"
#include "core/archive/ZipRead.h"
#include "core/summary/DemoFields.h"
#include "core/summary/DemoReader.h"
#include "core/summary/Player.h"
#include "platform/FileSystem.h"

namespace cli {
namespace {

struct InfoOptions {
    bool course = false;
    bool plain = false;
    bool json = false;
    std::string file;
    std::string member;
};

std::string Shown(const InfoOptions& options, const std::string& text)
{
    return options.plain ? core::StripColourCodes(text) : text;
}

std::string ScoreJson(core::Score score)
{
    return score ? std::to_string(*score) : "null";
}

std::string RecordedText(const core::DemoState& demo)
{
    return demo.recorded ? core::DosDateTimeText(*demo.recorded) : std::string();
}

void PrintText(const InfoOptions& options, const core::DemoState& demo)
{
    std::cout << "File: " << options.file << "\n";
    if (!options.member.empty())
        std::cout << "Member: " << options.member << "\n";
    std::cout << "Size: " << core::FormatReaderSize(demo.size) << " (" << demo.size << " bytes)\n";
    std::cout << "Recorded: " << RecordedText(demo) << "\n";
    std::cout << "Map title: " << Shown(options, demo.mapTitle) << "\n";
    const auto fields = core::DemoDerivedFields(demo);
    const auto& names = core::DemoColumnNames();
    for (int i = 0; i < core::kDerivedFieldCount; ++i)
        std::cout << names[static_cast<size_t>(core::kFirstDerivedField + i)] << ": " << fields[static_cast<size_t>(i)]
                  << "\n";
    if (const std::optional<core::DefragRun>& run = demo.defrag)
        std::cout << "Run time: " << (run->milliseconds ? core::RunTimeText(*run->milliseconds) : std::string())
                  << "\nPhysics: " << run->physics << "\nRunner: " << Shown(options, run->player) << "\n";
    std::cout << "Players:\n";
    for (size_t i = 0; i < demo.players.size(); ++i) {
        const core::Player& p = demo.players[i];
        if (p.name.empty())
            continue;
        std::cout << "  " << Shown(options, p.name) << "\tteam " << p.team << "\tscore " << core::ScoreText(p.score)
                  << "\ttime " << p.time;
        if (!p.clanTag.empty())
            std::cout << "\tclan " << Shown(options, p.clanTag);
        if (!p.steamId.empty())
            std::cout << "\tsteam " << p.steamId;
        std::cout << "\n";
    }
    if (options.course) {
        std::cout << "Course:\n";
        for (const std::string& line : demo.courseLog)
            std::cout << Shown(options, line) << "\n";
    }
}

void PrintJson(const InfoOptions& options, const core::DemoState& demo)
{
    std::string out = "{\n";
    auto field = [&](const std::string& key, const std::string& value, bool last = false) {
        out += "  " + JsonString(key) + ": " + value + (last ? "\n" : ",\n");
    };
    field("file", JsonUtf8String(options.file));
    if (!options.member.empty())
        field("member", JsonUtf8String(options.member));
    field("size", std::to_string(demo.size));
    field("sizeText", JsonString(core::FormatReaderSize(demo.size)));
    field("recorded", JsonString(RecordedText(demo)));
    field("mapTitle", JsonString(Shown(options, demo.mapTitle)));
    field("protocolNumber", std::to_string(demo.protocol));
    const auto fields = core::DemoDerivedFields(demo);
    const auto& names = core::DemoColumnNames();
    for (int i = 0; i < core::kDerivedFieldCount; ++i)
        field(std::string(names[static_cast<size_t>(core::kFirstDerivedField + i)]),
              JsonString(fields[static_cast<size_t>(i)]));
    // Only the demos of the DeFRaG mod have a run.
    if (const std::optional<core::DefragRun>& run = demo.defrag)
        field("defrag", "{\"milliseconds\": " + (run->milliseconds ? std::to_string(*run->milliseconds) : "null") +
                            ", \"physics\": " + JsonString(run->physics) +
                            ", \"player\": " + JsonString(Shown(options, run->player)) + "}");
    std::string players = "[";
    bool first = true;
    for (const core::Player& p : demo.players) {
        if (p.name.empty())
            continue;
        players += first ? "\n" : ",\n";
        first = false;
        players += "    {\"name\": " + JsonString(Shown(options, p.name)) + ", \"team\": " + std::to_string(p.team) +
                   ", \"score\": " + ScoreJson(p.score) + ", \"time\": " + std::to_string(p.time) +
                   ", \"rank\": " + std::to_string(p.rankPosition);
        if (!p.clanTag.empty())
            players += ", \"clan\": " + JsonString(Shown(options, p.clanTag));
        if (!p.steamId.empty())
            players += ", \"steamId\": " + JsonString(p.steamId);
        players += "}";
    }
    players += first ? "]" : "\n  ]";
    field("players", players, !options.course);
    if (options.course) {
        std::string course = "[";
        for (size_t i = 0; i < demo.courseLog.size(); ++i)
            course += (i ? ",\n    " : "\n    ") + JsonString(Shown(options, demo.courseLog[i]));
        course += demo.courseLog.empty() ? "]" : "\n  ]";
        field("course", course, true);
    }
    out += "}\n";
    std::cout << out;
}

} // namespace

int RunInfo(const std::vector<std::string>& args)
{
    InfoOptions options;
    std::vector<std::string> positional;
    for (const std::string& arg : args) {
        if (arg == "--course")
            options.course = true;
        else if (arg == "--plain")
            options.plain = true;
        else if (arg == "--json")
            options.json = true;
        else if (arg.rfind("--", 0) == 0) {
            std::cerr << "velmora-cli info: unknown option " << arg << "\n";
            return 2;
        } else
            positional.push_back(arg);
    }
    if (positional.empty() || positional.size() > 2) {
        std::cerr << "usage: velmora-cli info [--course] [--plain] [--json] FILE [MEMBER]\n";
        return 2;
    }
    options.file = positional[0];
    if (positional.size() == 2) {
        options.member = positional[1];
        for (char& c : options.member)
            if (c == '/')
                c = '\\';
    }

    if (!platform::IsRegularFile(options.file)) {
        std::cerr << "velmora-cli: cannot read " << options.file << "\n";
        return 1;
    }
    std::optional<core::DemoRead> read;
    if (options.member.empty()) {
        read = core::LoadDemo(options.file, {}, options.course);
    } else {
        core::ZipSearchRec search;
        if (core::FindMemberByName(options.file, options.member, search) != 0) {
            std::cerr << "velmora-cli: " << options.member << " is not in " << options.file << "\n";
            return 1;
        }
        core::CloseZipSearch(search);
        read = core::LoadDemo(options.member, options.file, options.course);
    }
    if (!*read && read->code() != core::ReadError::Missing) {
        std::cerr << "velmora-cli: " << read->text() << "\n";
        return 3;
    }
    const core::DemoState demo = *read ? read->value() : core::UnreadDemo();
    for (const std::string& message : demo.debugMessages)
        std::cerr << "velmora-cli: " << message << "\n";
    if (!demo.whole && demo.protocol == 0 && demo.debugMessages.empty()) {
        std::cerr << "velmora-cli: not a demo: " << options.file << (options.member.empty() ? "" : " ")
                  << options.member << "\n";
        return 1;
    }
    if (options.json)
        PrintJson(options, demo);
    else
        PrintText(options, demo);
    return demo.debugMessages.empty() ? 0 : 3;
}

} // namespace cli
