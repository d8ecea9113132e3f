#pragma once
// Cuts a stretch out of a decoded demo as a demo of its own. The cut begins with a key frame: the
// game state as it stands at the first snapshot of the stretch (the configuration strings with
// every change made before it, the entities of that snapshot as the baselines), then that snapshot
// and the messages after it, up to the last snapshot of the stretch. The messages go to a sink one
// at a time (usually an encoder): a long stretch is never held whole.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "core/demo/DemoMessage.h"
#include "core/events/DemoClock.h"

namespace core {

class DemoCut {
public:
    // The sink returns false to stop the cut (its writing failed).
    using Sink = std::function<bool(const DemoMessage&)>;

    // Demo times (as the events count them) of the stretch, both included.
    DemoCut(int64_t fromDemoTime, int64_t toDemoTime, Sink sink);

    // Feeds the next message of the source demo. False once the cut needs no more messages (its
    // end is reached, or the sink refused one).
    bool Add(const DemoMessage& message);

    bool Started() const { return m_started; }
    bool Failed() const { return m_failed; }
    // The key frame's server time and demo time (valid once Started).
    int32_t FirstServerTime() const { return m_firstServerTime; }
    int64_t FirstDemoTime() const { return m_firstDemoTime; }
    int Snapshots() const { return m_snapshots; }

private:
    void ApplyCommand(const ServerCommand& command);
    bool StartWith(const DemoMessage& message);

    int64_t m_from, m_to;
    Sink m_sink;
    DemoClock m_clock;
    // The game state as it stands: the last one seen with the configuration string changes since.
    std::optional<GameState> m_gameState;
    std::map<int, std::string> m_configStrings;
    std::string m_bigConfigString;
    int32_t m_lastCommandSequence = 0;
    bool m_started = false, m_done = false, m_failed = false;
    int32_t m_firstServerTime = 0;
    int64_t m_firstDemoTime = 0;
    int m_snapshots = 0;
};

} // namespace core
