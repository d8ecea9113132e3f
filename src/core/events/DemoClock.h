#pragma once
// Demo time: milliseconds since a demo's first shown snapshot, running with the server's clock.
// A clock that goes back (a new map starts the server's clock afresh) adds nothing, so demo time
// never goes back. Events and cuts count time the same way through this.
#include <cstdint>

namespace core {

class DemoClock {
public:
    // The demo time of a snapshot with this server time, the snapshots taken in demo order.
    int64_t Advance(int32_t serverTime)
    {
        if (!m_started) {
            m_started = true;
            m_first = serverTime;
        } else if (serverTime > m_last) {
            m_now += static_cast<int64_t>(serverTime) - m_last;
        }
        m_last = serverTime;
        return m_now;
    }
    bool Started() const { return m_started; }
    int64_t Now() const { return m_now; }
    int32_t FirstServerTime() const { return m_first; }
    int32_t LastServerTime() const { return m_last; }

private:
    bool m_started = false;
    int32_t m_first = 0, m_last = 0;
    int64_t m_now = 0;
};

} // namespace core
