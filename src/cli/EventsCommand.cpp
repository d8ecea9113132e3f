#include "cli/EventsCommand.h"

#include <filesystem>
#include <iostream>

#include "cli/Json.h"
#include "core/events/DemoEventsLoad.h"
#include "core/events/PlayerFigures.h"

namespace cli {
namespace {

std::string Clock(int64_t ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld.%03lld", static_cast<long long>(ms / 60000),
                  static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000));
    return text;
}

void PrintText(const core::DemoEventsResult& result, const std::vector<core::PlayerFigures>& figures)
{
    std::cout << "Protocol: " << result.protocol << "\nLength: " << Clock(result.length)
              << "\nEvents: " << result.events.size() << "\n";
    for (const core::DemoEvent& e : result.events) {
        std::cout << Clock(e.demoTime) << '\t' << e.serverTime << '\t' << core::EventKindName(e.kind);
        if (e.warmup)
            std::cout << " (warm-up)";
        std::cout << '\t' << e.playerName << '\t' << e.otherName << '\t';
        if (e.kind == core::EventKind::Frag || e.kind == core::EventKind::Suicide)
            std::cout << core::DeathCauseName(e.cause);
        else if (e.team >= 0)
            std::cout << core::TeamName(e.team);
        if (!e.text.empty())
            std::cout << '\t' << e.text;
        std::cout << '\n';
    }
    std::cout << "Players:\n";
    for (const core::PlayerFigures& f : figures)
        std::cout << "  " << f.client << '\t' << f.name << "\tfrags " << f.frags << "\tdeaths " << f.deaths
                  << "\tsuicides " << f.suicides << "\tspree " << f.longestSpree << "\tcaptures " << f.captures << '\n';
}

void PrintJson(const std::string& file, const core::DemoEventsResult& result,
               const std::vector<core::PlayerFigures>& figures)
{
    std::string out = "{\n  \"file\": " + JsonUtf8String(file) +
                      ",\n  \"protocol\": " + std::to_string(result.protocol) +
                      ",\n  \"length\": " + std::to_string(result.length) +
                      ",\n  \"firstServerTime\": " + std::to_string(result.firstServerTime) +
                      ",\n  \"problem\": " + JsonString(result.problem) + ",\n  \"events\": [";
    for (size_t i = 0; i < result.events.size(); ++i) {
        const core::DemoEvent& e = result.events[i];
        out += i ? ",\n    {" : "\n    {";
        out += "\"kind\": " + JsonString(core::EventKindName(e.kind)) +
               ", \"demoTime\": " + std::to_string(e.demoTime) + ", \"serverTime\": " + std::to_string(e.serverTime);
        if (e.player >= 0 || !e.playerName.empty())
            out += ", \"player\": " + std::to_string(e.player) + ", \"playerName\": " + JsonString(e.playerName);
        if (e.other >= 0)
            out += ", \"victim\": " + std::to_string(e.other) + ", \"victimName\": " + JsonString(e.otherName);
        if (e.kind == core::EventKind::Frag || e.kind == core::EventKind::Suicide) {
            out += ", \"meansOfDeath\": " + std::to_string(e.meansOfDeath) +
                   ", \"cause\": " + JsonString(core::DeathCauseName(e.cause));
            if (e.weapon != core::Weapon::None)
                out += ", \"weapon\": " + JsonString(core::WeaponName(e.weapon));
            if (e.teamKill)
                out += ", \"teamKill\": true";
        }
        if (e.team >= 0)
            out += ", \"team\": " + JsonString(core::TeamName(e.team));
        if (!e.text.empty())
            out += ", \"text\": " + JsonString(e.text);
        if (e.warmup)
            out += ", \"warmup\": true";
        out += "}";
    }
    out += result.events.empty() ? "],\n  \"players\": [" : "\n  ],\n  \"players\": [";
    for (size_t i = 0; i < figures.size(); ++i) {
        const core::PlayerFigures& f = figures[i];
        out += i ? ",\n    {" : "\n    {";
        out += "\"client\": " + std::to_string(f.client) + ", \"name\": " + JsonString(f.name) +
               ", \"frags\": " + std::to_string(f.frags) + ", \"deaths\": " + std::to_string(f.deaths) +
               ", \"suicides\": " + std::to_string(f.suicides) + ", \"teamKills\": " + std::to_string(f.teamKills) +
               ", \"longestSpree\": " + std::to_string(f.longestSpree) +
               ", \"captures\": " + std::to_string(f.captures) + ", \"fragsByWeapon\": {";
        bool first = true;
        for (int w = 0; w < core::kWeaponCount; ++w)
            if (const int count = f.fragsByWeapon[static_cast<size_t>(w)]; count > 0) {
                out += (first ? "" : ", ") + JsonString(core::WeaponName(static_cast<core::Weapon>(w))) + ": " +
                       std::to_string(count);
                first = false;
            }
        out += "}}";
    }
    out += figures.empty() ? "]\n}\n" : "\n  ]\n}\n";
    std::cout << out;
}

} // namespace

int RunEvents(const std::vector<std::string>& args)
{
    bool json = false;
    std::vector<std::string> positional;
    for (const std::string& arg : args) {
        if (arg == "--json")
            json = true;
        else if (arg.rfind("--", 0) == 0) {
            std::cerr << "velmora-cli events: unknown option " << arg << "\n";
            return 2;
        } else
            positional.push_back(arg);
    }
    if (positional.empty() || positional.size() > 2) {
        std::cerr << "usage: velmora-cli events [--json] FILE [MEMBER]\n";
        return 2;
    }
    const std::string& file = positional[0];
    std::string member = positional.size() == 2 ? positional[1] : std::string();
    for (char& c : member)
        if (c == '/')
            c = '\\';
    // Only regular files: a FIFO or a device would block the read or never end.
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        std::cerr << "velmora-cli: cannot read " << file << "\n";
        return 1;
    }
    const core::DemoEventsResult result =
        member.empty() ? core::LoadDemoEvents(file, {}) : core::LoadDemoEvents(member, file);
    // A file that holds no message (empty, or only the end marker) is no demo, as `info` says too;
    // reporting it as a demo without events would be a failure shown as success.
    if (!result.found || result.protocol == 0 || (result.messages == 0 && result.problem.empty())) {
        std::cerr << "velmora-cli: " << (result.problem.empty() ? "not a demo" : result.problem) << ": " << file
                  << (member.empty() ? "" : " ") << member << "\n";
        return 1;
    }
    const std::vector<core::PlayerFigures> figures = core::PlayerFiguresOf(result.events);
    if (json)
        PrintJson(file, result, figures);
    else
        PrintText(result, figures);
    if (!result.problem.empty()) {
        std::cerr << "velmora-cli: the demo " << result.problem << " after " << result.messages << " messages\n";
        return 3;
    }
    return 0;
}

} // namespace cli
