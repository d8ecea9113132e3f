#pragma once
// The commands of one recorded server message, read one at a time over either bit source
// (core/protocol/BitSources.h). The reader reads each command's head: the texts of server
// commands and configuration strings, the sequences, the number of a baseline. What only a full
// decoder can read (a snapshot's and a baseline's deltas) is left to the consumer, which reads it
// from the same bit source and then asks for the next command - or stops, at any command.
//
// The rules are the game client's: texts end at their terminator or at the message's end (never
// beyond it) and are cut to the client's buffers; a download in a demo carries nothing the client
// reads (it never asked for one) and is passed over; voice data of the engines that have it is
// read past as their client reads it.
#include <cstdint>
#include <string>

#include "core/protocol/MessageCommand.h"
#include "core/protocol/ProtocolTable.h"

namespace core {

enum class WireItem : uint8_t {
    ServerCommand, // Sequence(), Text()
    GameState,     // Sequence(); the game state's own commands follow
    ConfigString,  // (in a game state) Index(), Text()
    BadIndex,      // (in a game state) a configuration string number the game refuses: Index()
    Baseline,      // (in a game state) Index() is the entity number; its delta follows
    GameStateEnd,  // ClientNumber() and ChecksumFeed() where the protocol sends them
    Snapshot,      // its fields follow
    Download,      // nothing follows that the game reads
    Voice,         // already read past
    Nop,
    End,      // the message's end marker
    Bad,      // command byte 0
    Unknown,  // a byte no server of the protocol sends here: Byte()
    Overflow, // the data ended inside the command: Field()
};

// Where the data ran out.
enum class WireField : uint8_t {
    None,
    Acknowledge,
    CommandByte,
    CommandSequence,   // a server command's sequence
    GameStateSequence, // the game state's command sequence
    GameStateCommand,  // a command byte inside the game state
    GameStateClient,   // the client number and checksum feed that end the game state
    GameStateIndex,
    BaselineNumber,
    Text,
};

template <class Bits> class CommandReader {
public:
    CommandReader(Bits& bits, const ProtocolInfo& protocol) : m_bits(bits), m_protocol(protocol) {}

    // The reliable acknowledge that opens the messages of protocols that send it; false when the
    // data ends first.
    bool ReadAcknowledge(int32_t& acknowledge)
    {
        acknowledge = static_cast<int32_t>(m_bits.ReadBits(32));
        if (m_bits.Overflowed())
            return Fail(WireField::Acknowledge);
        return true;
    }

    WireItem Next()
    {
        const uint32_t command = m_bits.ReadBits(8);
        if (m_bits.Overflowed())
            return Overflow(m_inGameState ? WireField::GameStateCommand : WireField::CommandByte);
        m_byte = static_cast<int>(command);
        return m_inGameState ? GameStateCommand(command) : MessageCommand(command);
    }

    bool InGameState() const { return m_inGameState; }
    uint32_t Sequence() const { return m_sequence; }
    int Index() const { return m_index; }
    const std::string& Text() const { return m_text; }
    std::string& Text() { return m_text; }
    int32_t ClientNumber() const { return m_clientNumber; }
    int32_t ChecksumFeed() const { return m_checksumFeed; }
    int Byte() const { return m_byte; }
    WireField Field() const { return m_field; }

private:
    static constexpr uint32_t Code(core::MessageCommand command) { return static_cast<uint32_t>(command); }

    bool Fail(WireField field)
    {
        m_field = field;
        return false;
    }
    WireItem Overflow(WireField field)
    {
        m_field = field;
        return WireItem::Overflow;
    }

    WireItem MessageCommand(uint32_t command)
    {
        const bool huffman = m_protocol.coding == MessageCoding::Huffman;
        switch (command) {
        case Code(core::MessageCommand::Bad):
            return WireItem::Bad;
        case Code(core::MessageCommand::Nop):
            return WireItem::Nop;
        case Code(core::MessageCommand::End):
            return WireItem::End;
        case Code(core::MessageCommand::ServerCommand):
            m_sequence = m_bits.ReadBits(32);
            if (m_bits.Overflowed())
                return Overflow(WireField::CommandSequence);
            m_text.clear();
            if (!m_bits.ReadString(m_text, kMaxStringChars))
                return Overflow(WireField::Text);
            return WireItem::ServerCommand;
        case Code(core::MessageCommand::GameState):
            m_sequence = m_bits.ReadBits(32);
            if (m_bits.Overflowed())
                return Overflow(WireField::GameStateSequence);
            m_inGameState = true;
            return WireItem::GameState;
        case Code(core::MessageCommand::Snapshot):
            return WireItem::Snapshot;
        case Code(core::MessageCommand::Download):
            return WireItem::Download;
        case Code(core::MessageCommand::VoipSpeex):
        case Code(core::MessageCommand::VoipOpus):
            if (!huffman || m_protocol.quakeLive)
                return WireItem::Unknown;
            SkipVoice();
            if (m_bits.Overflowed())
                return Overflow(WireField::Text);
            return WireItem::Voice;
        default:
            return WireItem::Unknown;
        }
    }

    WireItem GameStateCommand(uint32_t command)
    {
        if (command == Code(core::MessageCommand::ConfigString)) {
            m_index = static_cast<int>(m_bits.ReadBits(16));
            if (m_bits.Overflowed())
                return Overflow(WireField::GameStateIndex);
            if (m_index >= kMaxConfigStrings)
                return WireItem::BadIndex;
            m_text.clear();
            if (!m_bits.ReadString(m_text, kMaxBigStringChars))
                return Overflow(WireField::Text);
            return WireItem::ConfigString;
        }
        if (command == Code(core::MessageCommand::Baseline)) {
            m_index = static_cast<int>(m_bits.ReadBits(kEntityNumberBits));
            if (m_bits.Overflowed())
                return Overflow(WireField::BaselineNumber);
            return WireItem::Baseline;
        }
        // The old game's messages end a game state with a 0 byte as well.
        if (command == Code(core::MessageCommand::End) ||
            (command == Code(core::MessageCommand::Bad) && m_protocol.coding == MessageCoding::Plain)) {
            m_inGameState = false;
            if (m_protocol.gameStateClient) {
                m_clientNumber = static_cast<int32_t>(m_bits.ReadBits(32));
                m_checksumFeed = static_cast<int32_t>(m_bits.ReadBits(32));
                if (m_bits.Overflowed())
                    return Overflow(WireField::GameStateClient);
            }
            return WireItem::GameStateEnd;
        }
        return WireItem::Unknown;
    }

    // As ioquake3's client reads it: a header, then the coded voice unless the header is bad.
    void SkipVoice()
    {
        const auto sender = static_cast<int16_t>(m_bits.ReadBits(16));
        m_bits.ReadBits(8); // generation
        const auto sequence = static_cast<int32_t>(m_bits.ReadBits(32));
        m_bits.ReadBits(8); // frames
        const auto size = static_cast<int16_t>(m_bits.ReadBits(16));
        m_bits.ReadBits(2); // flags
        if (sender < 0 || sequence < 0 || size < 0)
            return;
        for (int32_t i = 0; i < size && !m_bits.Overflowed(); ++i)
            m_bits.ReadBits(8);
    }

    Bits& m_bits;
    const ProtocolInfo& m_protocol;
    bool m_inGameState = false;
    uint32_t m_sequence = 0;
    int m_index = 0;
    int m_byte = 0;
    int32_t m_clientNumber = 0;
    int32_t m_checksumFeed = 0;
    WireField m_field = WireField::None;
    std::string m_text;
};

} // namespace core
