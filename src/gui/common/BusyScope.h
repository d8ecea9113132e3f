#pragma once
// The window's one guard against re-entry: the work it starts (a listing, loading a play list, a
// play command that may close the game, wait for it or switch its version, a music fade out)
// pumps the window's events, and an event handled meanwhile must not close the window, change the
// tree selection or start another such piece of work. A stop request is no such guard: each piece
// of work gets its own token (see ScanSettings::stop, IndexUpdateOptions::stop).
#include <atomic>

namespace gui {

// Above 0 while such work runs; raised only through a BusyScope.
inline std::atomic<int> BusyCount{0};

// Raised for the guard's life, lowered exactly once.
class BusyScope {
public:
    BusyScope() { ++BusyCount; }
    ~BusyScope() { Release(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

    // For work that ends before its scope does.
    void Release()
    {
        if (m_held) {
            m_held = false;
            --BusyCount;
        }
    }

private:
    bool m_held = true;
};

} // namespace gui
