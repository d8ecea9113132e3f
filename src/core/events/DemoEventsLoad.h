#pragma once
// Reading the events of a demo file or archive member: the decoder's messages, one at a time,
// into the event collector. Pure apart from reading the file: safe on any thread.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/demo/DemoDecoder.h"
#include "core/events/DemoEvent.h"
#include "core/events/MatchStatistics.h"

namespace core {

struct DemoEventsResult {
    std::vector<DemoEvent> events;
    int protocol = 0;
    int64_t length = 0;               // demo time of the last snapshot, milliseconds
    int32_t firstServerTime = 0;      // the first snapshot's server time
    int32_t levelStartServerTime = 0; // when the match last started (0: the demo does not say)
    int messages = 0;
    bool found = false;                    // the file or member could be read
    std::string problem;                   // why the events end early or are missing; empty for a whole demo
    DecodeError error = DecodeError::None; // the decoder's reason, when it stopped early
    // The match statistics of the same walk, when they were asked for.
    std::optional<MatchStatistics> statistics;
};

// `lowerExtension` (".dm_68") tells the protocol, with the demo's own server information for
// ".dm3" files. A damaged or cut demo keeps the events before the damage and names it in problem.
// `withStatistics`: the same walk reads the match statistics too (one decode for both).
DemoEventsResult ReadDemoEvents(std::span<const uint8_t> data, std::string_view lowerExtension,
                                bool withStatistics = false);

// `archive` empty: `name` is a file; otherwise a member of the archive, as LoadDemoBytes takes it.
DemoEventsResult LoadDemoEvents(const std::string& name, const std::string& archive, bool withStatistics = false);

} // namespace core
