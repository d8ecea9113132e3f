// A whole demo through the full decoder into the events, the first byte choosing the protocol;
// then the same bytes as server command lines straight into the event collector. Besides not
// crashing, events name only client numbers the game has, keep demo order, stay within their
// limit, and the cut of the demo encodes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "core/convert/DemoCut.h"
#include "core/demo/DemoDecoder.h"
#include "core/demo/DemoEncoder.h"
#include "core/events/DemoEvents.h"
#include "core/events/EventCollector.h"
#include "core/events/PlayerFigures.h"

namespace {

constexpr int kProtocols[] = {43, 45, 46, 48, 66, 67, 68, 70, 71, 73, 90, 91};

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckEvents(const std::vector<core::DemoEvent>& events, size_t inputSize)
{
    int64_t previous = 0;
    for (const core::DemoEvent& e : events) {
        Check(e.player >= -1 && e.player < 64 && e.other >= -1 && e.other < 64);
        Check(e.demoTime >= previous);
        previous = e.demoTime;
    }
    // The collector's own limit, whatever the input.
    Check(events.size() <= 200000 && (inputSize > 0 || events.empty()));
    int frags = 0;
    for (const core::PlayerFigures& f : core::PlayerFiguresOf(events)) {
        Check(f.client >= 0 && f.client < 64 && f.longestSpree <= f.frags);
        frags += f.frags;
    }
    Check(static_cast<size_t>(frags) <= events.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const int protocol = kProtocols[data[0] % std::size(kProtocols)];
    const std::span<const uint8_t> demo(data + 1, size - 1);

    core::EventCollector collector(protocol);
    std::vector<uint8_t> clip;
    core::DemoEncoder encoder(clip);
    const int64_t from = data[0] * 100;
    core::DemoCut cut(from, from + 2000, [&encoder](const core::DemoMessage& m) {
        // The decoder's protocol 68 tables write any message the decoder read from 66 to 71.
        return encoder.Add(m) == core::EncodeError::None;
    });
    core::DemoDecoder decoder(demo, protocol);
    core::DemoMessage message;
    while (decoder.Next(message)) {
        core::CollectMessage(collector, message);
        cut.Add(message);
    }
    CheckEvents(collector.Finish(), size);

    // The bytes as command lines, one a line, with a snapshot after every line.
    core::EventCollector lines(protocol);
    lines.GameState();
    std::string_view text(reinterpret_cast<const char*>(data), size);
    int32_t sequence = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        if (line.starts_with("gs "))
            lines.GameStateConfigString(static_cast<int>(sequence % 1100), line.substr(3));
        else
            lines.ServerCommand(++sequence, line);
        lines.Snapshot(sequence * 50, {});
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    CheckEvents(lines.Finish(), size);
    return 0;
}
