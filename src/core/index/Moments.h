#pragma once
// Moments across the library: the events of every indexed demo, asked for with the moment terms of
// the search language (MomentQuery.h) beside the demo terms, each found moment with its demo.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/events/DemoEvent.h"
#include "core/index/LibraryIndex.h"
#include "core/index/SearchQuery.h"
#include "core/row/DemoInfo.h"

namespace core {

enum class MomentKind {
    Frag,
    Suicide,
    Capture,
    Chat,      // said to everyone
    TeamChat,  // said to the team
    MultiFrag, // frags by one player close together (multi:N/S)
    Spree,     // frags by one player without dying (spree:N)
};
std::string_view MomentKindName(MomentKind kind);

struct Moment {
    // The demo as the list shows it (name, archive, location and the other columns).
    DemoInfo row;
    // What LoadDemoEvents, LoadDemo and SaveClip take: the file's path, or the member's name with
    // its folders and the archive's path.
    std::string loadName, archive;

    MomentKind kind = MomentKind::Frag;
    int64_t demoTime = 0;   // milliseconds since the demo's first snapshot
    int32_t serverTime = 0; // the game's clock then
    // A multi-frag or a spree: its last frag; otherwise the moment itself.
    int64_t endDemoTime = 0;
    int32_t endServerTime = 0;
    int frags = 1; // the frags of a multi-frag or spree

    int player = -1;        // client number of who did it, -1 when nobody or unknown
    std::string playerName; // as recorded then, colour codes kept
    int other = -1;         // the victim
    std::string otherName;
    DeathCause cause = DeathCause::Unknown;
    Weapon weapon = Weapon::None;
    int team = -1; // a capture: the flag's team
    bool teamKill = false;
    bool warmup = false;
    std::optional<EventPlace> playerPlace, otherPlace; // frags: when the snapshot showed them
    std::string text;                                  // chat
};

struct MomentResult {
    IndexStatus status = IndexStatus::Ok;
    std::vector<Moment> moments; // by demo (name, location), then time
    bool more = false;           // there were more than the limit
    std::string message;         // why it failed
};

// Whether the search lists moments rather than demos.
bool IsMomentSearch(const SearchQuery& query);

// The moments the search finds in the index (the demo terms choose the demos, the moment terms the
// moments), at most `limit` of them.
MomentResult SearchMoments(LibraryIndex& index, const SearchQuery& query, size_t limit = SIZE_MAX);

} // namespace core
