#pragma once
// Decodes every message of a demo into the model of core/demo/DemoMessage.h, for every protocol
// core/protocol/ProtocolTable gives field tables: plain bit packing or Huffman-coded.
//
// The decoder reads untrusted bytes through the wire layer (core/protocol: MessageFramer,
// CommandReader): it never reads outside the data, allocates no more than the game's own limits
// allow (core/protocol/WireLimits.h), and ends with an error value on damaged data.
// The listing's metadata walk (core/summary/DemoWalk) stays the fast path for what the lists show;
// this is for conversion and event extraction.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "core/demo/DemoMessage.h"
#include "core/protocol/MessageFramer.h"

namespace core {

enum class DecodeError {
    None,
    UnknownProtocol,      // no field tables for the protocol
    CutOff,               // the data ends inside a message header or a message
    BadLength,            // a negative message length
    MessageTooLong,       // a message longer than kMaxMessageSize
    Overflow,             // a message's commands read past its end
    BadCommand,           // a command byte no server sends in this protocol
    BadConfigStringIndex, // outside 0..1023
    GameStateTooLarge,    // more configuration string text than the game holds
    BadFieldCount,        // more changed fields than the protocol's table has
    BadAreaMask,          // an area mask longer than kMaxAreaMaskBytes
    EntitiesOutOfOrder,   // a snapshot's entity numbers do not ascend
};

// A short English text for logs and messages ("message cut off", ...).
std::string_view DecodeErrorText(DecodeError error);

// True for the protocols the decoder has field tables for.
bool IsDecodableProtocol(int protocol);

// Reads the messages one at a time, keeping what the deltas refer to (baselines and the recent
// snapshots) between calls. The data must outlive the decoder.
class DemoDecoder {
public:
    DemoDecoder(std::span<const uint8_t> data, int protocol);
    ~DemoDecoder();
    DemoDecoder(const DemoDecoder&) = delete;
    DemoDecoder& operator=(const DemoDecoder&) = delete;

    // Decodes the next message into `message` (its earlier content is replaced; its buffers are
    // reused). False at the end marker, at the end of the data and on an error; then Error() says
    // which, and `message` holds nothing of value.
    bool Next(DemoMessage& message);

    DecodeError Error() const { return m_error; }
    // Where the message that failed (or the end marker) starts in the data.
    size_t ErrorOffset() const { return m_messageAt; }
    // Messages decoded so far.
    int MessageCount() const { return m_messages; }
    // The end marker (sequence -1) was met; false when the data simply ended after a message.
    bool EndMarkerSeen() const { return m_endMarker; }
    int Protocol() const { return m_protocol; }

    struct State; // the decoder's memory between messages

private:
    std::span<const uint8_t> m_data;
    int m_protocol;
    MessageFramer m_framer;
    size_t m_messageAt = 0;
    int m_messages = 0;
    bool m_endMarker = false;
    bool m_done = false;
    DecodeError m_error = DecodeError::None;
    State* m_state; // owned
};

// The whole demo at once (for tests and short demos; long demos are better streamed through
// DemoDecoder, a snapshot holds every entity).
struct DecodedDemo {
    int protocol = 0;
    std::vector<DemoMessage> messages;
    bool endMarker = false;
    DecodeError error = DecodeError::None;
    size_t errorOffset = 0;
};
DecodedDemo DecodeDemo(std::span<const uint8_t> data, int protocol);

// The protocol of a demo from its file name extension (lower case, with the dot) and, for ".dm3"
// files, whose extension does not tell 43 from 45 or 46, from the "protocol" key of the server
// information stored in its first message. 0 when neither tells.
int DemoProtocolOf(std::span<const uint8_t> data, std::string_view lowerExtension);

} // namespace core
