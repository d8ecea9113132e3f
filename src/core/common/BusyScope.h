#pragma once
// The one way to raise the busy count: raised for the guard's life, lowered exactly once.
#include "core/common/Globals.h"

namespace core {

class BusyScope {
public:
    BusyScope() { ++BusyCount; }
    ~BusyScope() { Release(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

    // For an operation that ends before its scope does (a fade that finishes inside a wait).
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

} // namespace core
