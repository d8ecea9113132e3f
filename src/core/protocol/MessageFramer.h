#pragma once
// A demo file is a run of recorded server messages, each behind a header of two little-endian
// 32-bit numbers: the message's sequence and its size. The game stops at a size of -1 (its end
// marker; the program's writers put -1 in both numbers, and a sequence of -1 ends it too) and
// refuses a message larger than kMaxMessageSize. This cuts the data into messages; what a reader
// makes of a cut or damaged header is its own affair.
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/common/LittleEndian.h"
#include "core/protocol/WireLimits.h"

namespace core {

enum class FrameResult {
    Message,     // a whole message
    EndMarker,   // the end marker
    DataEnd,     // the data ends right after the previous message
    CutSequence, // the data ends inside the sequence
    CutSize,     // the data ends inside the size
    BadSize,     // a negative size other than the end marker's
    TooLong,     // a size over the message limit
    CutPayload,  // the data ends inside the message: `payload` holds what there is
};

struct MessageFrame {
    size_t at = 0; // where the header starts
    int32_t sequence = 0;
    int32_t size = 0;
    std::span<const uint8_t> payload;
};

class MessageFramer {
public:
    explicit MessageFramer(std::span<const uint8_t> data, size_t maxMessageSize = kMaxMessageSize)
        : m_data(data), m_maxMessageSize(maxMessageSize)
    {
    }

    // The next message's frame. Moves on past a whole message only; every other result repeats.
    FrameResult Next(MessageFrame& frame)
    {
        const size_t size = m_data.size();
        frame.at = m_pos;
        frame.payload = {};
        const size_t left = size - m_pos;
        if (left == 0)
            return FrameResult::DataEnd;
        if (left < 4)
            return FrameResult::CutSequence;
        frame.sequence = static_cast<int32_t>(Le32(m_data.data() + m_pos));
        if (frame.sequence == -1)
            return FrameResult::EndMarker;
        if (left < 8)
            return FrameResult::CutSize;
        frame.size = static_cast<int32_t>(Le32(m_data.data() + m_pos + 4));
        if (frame.size == -1)
            return FrameResult::EndMarker;
        if (frame.size < 0)
            return FrameResult::BadSize;
        if (static_cast<size_t>(frame.size) > m_maxMessageSize)
            return FrameResult::TooLong;
        const size_t length = static_cast<size_t>(frame.size);
        if (left - 8 < length) {
            frame.payload = m_data.subspan(m_pos + 8);
            return FrameResult::CutPayload;
        }
        frame.payload = m_data.subspan(m_pos + 8, length);
        m_pos += 8 + length;
        return FrameResult::Message;
    }

    // Where the next header starts.
    size_t Position() const { return m_pos; }

private:
    std::span<const uint8_t> m_data;
    size_t m_maxMessageSize;
    size_t m_pos = 0;
};

} // namespace core
