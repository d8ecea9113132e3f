#pragma once
// Reading a demo of protocols 66 to 71 only as far as the game plays it.
//
// The game's client stops a demo at the first message it cannot read (a field count beyond its
// table, an unknown command, a message that ends early), and the game code at values it has no
// meaning for (an entity moving along a kind of trajectory it does not know, an event it does not
// know, a position far outside any map). A converted demo or a clip that carried such a message would be a demo the
// game aborts: this decoder ends before the message instead, and says where and why. A demo that simply ends after a
// whole message (a recording cut short by a crash or a disconnect lacks the end marker) is not damaged.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "core/demo/DemoDecoder.h"

namespace core {

class CheckedDecoder {
public:
    // Entity events are numbered by the game code, and only those of 1.32 and OpenArena are known
    // here (their lists agree): they are checked when the demo is made for their data
    // (`forTheirData`, a conversion), or when its game state names their game version
    // ("baseq3-1", "baseoa-1"); a mod numbers its own.
    CheckedDecoder(std::span<const uint8_t> data, int protocol, bool forTheirData);

    // The next message; false at the end of the demo and at damage (see Damaged).
    bool Next(DemoMessage& message);

    bool Damaged() const { return !m_damage.empty(); }
    // Where the damaged message starts in the data: everything before it is whole messages.
    size_t DamageOffset() const { return m_damageOffset; }
    // "the demo breaks off at byte 1234 (too many changed fields)"; empty for a whole demo.
    const std::string& Damage() const { return m_damage; }
    // Messages read before the damage or the end.
    int MessageCount() const { return m_decoder.MessageCount(); }
    // Where the whole messages end (the end marker, or the damage).
    size_t WholeEnd() const { return m_decoder.ErrorOffset(); }

private:
    DemoDecoder m_decoder;
    bool m_forTheirData;
    bool m_eventsKnown;
    std::string m_damage;
    size_t m_damageOffset = 0;
};

} // namespace core
