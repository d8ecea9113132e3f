#pragma once
// Writes demos of the Huffman-coded protocols (66 to 71, which share 1.32's format, and Quake
// Live's 73, 90 and 91): messages with game states, snapshots delta-coded against the previous
// snapshot (or the baselines) with the protocol's own field tables and limits, server commands and
// the end marker, readable by the game's own client and, bit for bit, by core/demo/DemoDecoder.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/demo/DemoMessage.h"
#include "core/protocol/ProtocolTable.h"

namespace core {

enum class EncodeError {
    None,
    MessageTooLong,       // the coded message would pass kMaxMessageSize
    BadEntityNumber,      // an entity or baseline numbered outside 0..1022
    BadConfigStringIndex, // outside 0..1023
    EntitiesOutOfOrder,   // entities or baselines not ascending by number
    BadAreaMask,          // longer than kMaxAreaMaskBytes
    GameStateTooLarge,    // more configuration string text than the game's client holds (16000 bytes
                          // with a terminator each and one leading zero)
    TextTooLong,          // a server command over 1023 bytes or a configuration string over 8191, or a
                          // text holding a zero byte
    SequenceOutOfOrder,   // a message sequence not above the previous one
    Finished,             // a message after the end marker
};

std::string_view EncodeErrorText(EncodeError error);

// Appends the messages to a byte buffer as they come. A snapshot is coded against the last one
// written when that lies less than 32 messages back in the same game state, otherwise whole; the
// first after a game state always whole, as the game's client expects. Fields the protocol does
// not send (Quake Live's own, in 1.32's format) are not written. A message without a reliable acknowledge (protocols 43
// and 45) gets its own sequence number there, and a game state without client number and checksum feed gets 0 for both.
// True for the protocols the encoder writes: those coded with Huffman and counted deltas.
bool CanEncodeProtocol(int protocol);

class DemoEncoder {
public:
    // A protocol CanEncodeProtocol refuses is written as protocol 68.
    explicit DemoEncoder(std::vector<uint8_t>& out, int protocol = kProtocol132);
    ~DemoEncoder();
    DemoEncoder(const DemoEncoder&) = delete;
    DemoEncoder& operator=(const DemoEncoder&) = delete;

    // Appends one message. On an error nothing of the message is written, and the encoder stays
    // usable for the next one.
    EncodeError Add(const DemoMessage& message);
    // Appends the end marker (sequence -1, length -1). Nothing may follow.
    void Finish();

private:
    struct State;
    std::vector<uint8_t>& m_out;
    State* m_state; // owned
};

} // namespace core
