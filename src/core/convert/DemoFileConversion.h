#pragma once
// Converting a demo file, or a member of an archive, into a new demo file.
//
// The new file is written under a hidden name beside its place and renamed only when it is
// complete, so that nothing half-written ever stands under the demo's name: not for the game,
// which may be told to play it a moment later, and not for the user's folder.
#include <optional>
#include <stop_token>
#include <string>

#include "core/convert/DemoConversion.h"

namespace core {

struct DemoFileConversion {
    std::string name;                // a file path, or a member of `archive` (folders separated by "\")
    std::string archive;             // empty for a plain file
    std::optional<int> toProtocol;   // nullopt: PreferredConversionTarget
    std::optional<int> fromProtocol; // nullopt: the reader finds it out
    TargetGameData data;
    std::string output;
    // Asked to stop, the conversion ends between two messages and writes nothing.
    std::stop_token stop;
};

struct DemoFileConversionResult {
    bool ok = false;
    std::string failure; // "the demo could not be read", "... could not be written", a conversion failure
    int fromProtocol = 0;
    std::vector<std::string> dropped;
    std::string brokeOff; // where a demo damaged inside broke off, when converted up to there
};

DemoFileConversionResult ConvertDemoFile(const DemoFileConversion& job);

} // namespace core
