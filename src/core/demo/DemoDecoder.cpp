#include "core/demo/DemoDecoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <bitset>
#include <cstring>
#include <memory>

#include "core/common/LittleEndian.h"
#include "core/protocol/DemoFieldTables.h"
#include "core/protocol/Huffman.h"
#include "core/protocol/MessageCommand.h"
#include "core/summary/DemoWalk.h"

namespace core {
namespace {

// The client keeps this many snapshots to delta from, and this many entities of them.
constexpr int kPacketBackup = 32;
constexpr int64_t kMaxParseEntities = kPacketBackup * 256;
constexpr int64_t kMaxSnapshotEntities = 256;
// The client's buffers for texts (less their terminator) and for a game state's texts.
constexpr size_t kMaxBigString = 8192 - 1;
constexpr size_t kMaxString = 1024 - 1;
constexpr int64_t kMaxGameStateChars = 16000;
// Quake Live's game states are larger than 1.32's buffer; its own limit is not known here, so
// only the texts' own bounds (1024 strings of 8191 bytes) hold them.
constexpr int64_t kMaxQuakeLiveGameStateChars = int64_t{kMaxConfigStrings} * (kMaxBigString + 1);
// Floats that hold a small whole number travel as one of 13 bits, biased to be positive.
constexpr int kFloatIntBits = 13;
constexpr int32_t kFloatIntBias = 1 << (kFloatIntBits - 1);

constexpr uint32_t Command(MessageCommand command)
{
    return static_cast<uint32_t>(command);
}

// Bits packed least significant first, without coding: the messages of protocols 43 to 48.
// Reading past the end sets the overflow flag; from then on every read gives 0.
class PlainBitReader {
public:
    explicit PlainBitReader(std::span<const uint8_t> data) : m_data(data), m_bitCount(data.size() * 8) {}

    uint32_t ReadBits(int n)
    {
        if (m_overflow || n < 1 || n > 32 || static_cast<size_t>(n) > m_bitCount - m_bit) {
            m_overflow = true;
            return 0;
        }
        const size_t byte = m_bit >> 3;
        uint64_t window = 0;
        if (byte + 8 <= m_data.size()) {
            std::memcpy(&window, m_data.data() + byte, sizeof window);
            if constexpr (std::endian::native == std::endian::big)
                window = __builtin_bswap64(window);
        } else {
            for (size_t i = 0; byte + i < m_data.size(); ++i)
                window |= static_cast<uint64_t>(m_data[byte + i]) << (8 * i);
        }
        window >>= (m_bit & 7);
        m_bit += static_cast<size_t>(n);
        return static_cast<uint32_t>(n == 32 ? window : window & ((uint64_t{1} << n) - 1));
    }

    bool ReadString(std::string& text, size_t limit)
    {
        for (;;) {
            const uint32_t c = ReadBits(8);
            if (m_overflow)
                return false;
            if (c == 0)
                return true;
            if (text.size() < limit)
                text.push_back(static_cast<char>(c));
        }
    }

    // Reads single bits while they are 0, at most `limit` of them, and says how many: the same as
    // that many ReadBits(1) that gave 0, stopping before the first 1. The player's delta sends a
    // bit for each of its fields, and most say "unchanged". A run that passes the end of the data
    // overflows, as single reads would.
    int SkipZeroBits(int limit)
    {
        int skipped = 0;
        while (skipped < limit && !m_overflow) {
            const size_t byte = m_bit >> 3;
            if (byte + 8 > m_data.size()) {
                // Near the end a bit at a time.
                if (ReadBits(1) != 0) {
                    --m_bit;
                    return skipped;
                }
                ++skipped;
                continue;
            }
            uint64_t window = 0;
            std::memcpy(&window, m_data.data() + byte, sizeof window);
            if constexpr (std::endian::native == std::endian::big)
                window = __builtin_bswap64(window);
            window >>= (m_bit & 7);
            const int run = std::min({std::countr_zero(window), 57, limit - skipped});
            m_bit += static_cast<size_t>(run);
            skipped += run;
            if (run < 57)
                return skipped;
        }
        return m_overflow ? limit : skipped;
    }

    // Commands of these protocols start on a byte boundary.
    void AlignToByte() { m_bit = std::min(m_bitCount, (m_bit + 7) & ~size_t{7}); }
    bool Overflowed() const { return m_overflow; }
    size_t BitsLeft() const { return m_bitCount - m_bit; }

private:
    std::span<const uint8_t> m_data;
    size_t m_bitCount;
    size_t m_bit = 0;
    bool m_overflow = false;
};

// The Huffman-coded messages of protocol 66 on, through the listing's bit reader.
class CodedBitReader {
public:
    explicit CodedBitReader(std::span<const uint8_t> data) : m_reader(data) {}
    uint32_t ReadBits(int n) { return m_reader.ReadBits(n); }
    bool ReadString(std::string& text, size_t limit) { return m_reader.ReadString(text, limit); }
    void AlignToByte() {}
    bool Overflowed() const { return m_reader.Overflowed(); }
    size_t BitsLeft() const { return m_reader.BitsLeft(); }

private:
    HuffmanBitReader m_reader;
};

uint32_t SignExtend(uint32_t value, int bits)
{
    if (bits >= 32)
        return value;
    const uint32_t sign = uint32_t{1} << (bits - 1);
    return (value ^ sign) - sign;
}

uint32_t SmallFloat(uint32_t biased)
{
    return FloatAsField(static_cast<float>(static_cast<int32_t>(biased) - kFloatIntBias));
}

using SharedEntities = std::shared_ptr<EntityBuffer>;

struct StoredSnapshot {
    bool valid = false;
    int64_t messageNum = 0;
    int64_t parseEntitiesNum = 0;
    PlayerState player;
    SharedEntities entities; // null: none
};

} // namespace

// What the deltas refer to, as the game's client keeps it: the baselines of the current game state
// and the recent valid snapshots.
struct DemoDecoder::State {
    const ProtocolFieldTables* tables = nullptr;
    std::array<EntityState, kMaxEntities> baselines{};
    std::bitset<kMaxEntities> hasBaseline;
    std::array<StoredSnapshot, kPacketBackup> snapshots;
    int64_t parseEntitiesNum = 0;
    int64_t lastSnapshotMessage = 0;
    std::array<int, kMaxConfigStrings> configStringSlot{};
    EntityState scratch;
    // The entity list of the caller's last message, let go of before the next snapshot.
    EntityList spareEntities;
    // Lists nobody holds any more, kept for their memory.
    std::vector<SharedEntities> spareLists;

    // An empty list that only the decoder holds. The snapshots' lists are lent to the messages
    // and to whoever copies them: a list still held elsewhere is left to its holders.
    SharedEntities TakeList()
    {
        while (!spareLists.empty()) {
            SharedEntities list = std::move(spareLists.back());
            spareLists.pop_back();
            if (list.use_count() == 1) {
                list->clear();
                return list;
            }
        }
        auto list = std::make_shared<EntityBuffer>();
        list->reserve(64);
        return list;
    }
    void GiveBack(SharedEntities& list)
    {
        if (list && list.use_count() == 1 && spareLists.size() < 4)
            spareLists.push_back(std::move(list));
        list.reset();
    }

    void ClearForGameState()
    {
        baselines.fill(EntityState{});
        hasBaseline.reset();
        for (StoredSnapshot& s : snapshots) {
            s.valid = false;
            s.messageNum = 0;
            s.parseEntitiesNum = 0;
            s.player = PlayerState{};
            GiveBack(s.entities);
        }
        parseEntitiesNum = 0;
        lastSnapshotMessage = 0;
    }
};

namespace {

// One message's commands, read with the reader of its protocol.
template <class Reader> class MessageParser {
public:
    MessageParser(DemoDecoder::State& state, Reader& reader, int64_t messageNum, int protocol)
        : m_state(state), m_tables(*state.tables), m_reader(reader), m_messageNum(messageNum),
          m_quakeLive(protocol >= 73)
    {
    }

    DecodeError Parse(DemoMessage& message)
    {
        if (m_tables.acknowledge) {
            message.reliableAcknowledge = static_cast<int32_t>(m_reader.ReadBits(32));
            if (m_reader.Overflowed())
                return DecodeError::Overflow;
        }
        for (;;) {
            // What is left is less than a command byte: the padding of the last byte.
            if (m_reader.BitsLeft() < 8)
                return DecodeError::None;
            const uint32_t command = m_reader.ReadBits(8);
            if (m_reader.Overflowed())
                return DecodeError::Overflow;
            if (command == Command(MessageCommand::End) || (!m_tables.huffman && command == 0))
                return DecodeError::None;
            DecodeError error = DecodeError::None;
            switch (command) {
            case Command(MessageCommand::Nop):
                break;
            case Command(MessageCommand::ServerCommand): {
                ServerCommand& cmd = message.serverCommands.emplace_back();
                cmd.sequence = static_cast<int32_t>(m_reader.ReadBits(32));
                if (!m_reader.ReadString(cmd.text, kMaxString))
                    return DecodeError::Overflow;
                break;
            }
            case Command(MessageCommand::GameState):
                if (message.gameState)
                    return DecodeError::BadCommand;
                error = ParseGameState(message.gameState.emplace());
                break;
            case Command(MessageCommand::Snapshot):
                if (message.snapshot)
                    return DecodeError::BadCommand;
                error = ParseSnapshot(message.snapshot.emplace());
                break;
            case Command(MessageCommand::VoipSpeex):
            case Command(MessageCommand::VoipOpus):
                // ioquake3's voice chat; players' voices have no place in the model.
                if (m_quakeLive || !m_tables.huffman)
                    return DecodeError::BadCommand;
                SkipVoice();
                break;
            default:
                return DecodeError::BadCommand;
            }
            if (error != DecodeError::None)
                return error;
            if (m_reader.Overflowed())
                return DecodeError::Overflow;
            m_reader.AlignToByte();
        }
    }

private:
    // As ioquake3's client reads it: a header, then the coded voice unless the header is bad.
    void SkipVoice()
    {
        const auto sender = static_cast<int32_t>(SignExtend(m_reader.ReadBits(16), 16));
        m_reader.ReadBits(8); // generation
        const auto sequence = static_cast<int32_t>(m_reader.ReadBits(32));
        m_reader.ReadBits(8); // frames
        const auto size = static_cast<int32_t>(SignExtend(m_reader.ReadBits(16), 16));
        m_reader.ReadBits(2); // flags
        if (sender < 0 || sequence < 0 || size < 0)
            return;
        for (int32_t i = 0; i < size && !m_reader.Overflowed(); ++i)
            m_reader.ReadBits(8);
    }

    DecodeError ParseGameState(GameState& gameState)
    {
        m_state.ClearForGameState();
        m_state.configStringSlot.fill(-1);
        gameState.serverCommandSequence = static_cast<int32_t>(m_reader.ReadBits(32));
        int64_t dataCount = 1;
        const int64_t maxChars = m_quakeLive ? kMaxQuakeLiveGameStateChars : kMaxGameStateChars;
        for (;;) {
            const uint32_t command = m_reader.ReadBits(8);
            if (m_reader.Overflowed())
                return DecodeError::Overflow;
            if (command == Command(MessageCommand::End) || (!m_tables.huffman && command == 0))
                break;
            if (command == Command(MessageCommand::ConfigString)) {
                const uint32_t index = m_reader.ReadBits(16);
                if (m_reader.Overflowed())
                    return DecodeError::Overflow;
                if (index >= static_cast<uint32_t>(kMaxConfigStrings))
                    return DecodeError::BadConfigStringIndex;
                m_text.clear();
                if (!m_reader.ReadString(m_text, kMaxBigString))
                    return DecodeError::Overflow;
                dataCount += static_cast<int64_t>(m_text.size()) + 1;
                if (dataCount > maxChars)
                    return DecodeError::GameStateTooLarge;
                int& slot = m_state.configStringSlot[index];
                if (slot >= 0) {
                    gameState.configStrings[static_cast<size_t>(slot)].second = m_text;
                } else {
                    slot = static_cast<int>(gameState.configStrings.size());
                    gameState.configStrings.emplace_back(static_cast<int>(index), m_text);
                }
            } else if (command == Command(MessageCommand::Baseline)) {
                const int number = static_cast<int>(m_reader.ReadBits(kEntityNumberBits));
                const EntityState null{};
                bool removed = false;
                const DecodeError error = ReadDeltaEntity(null, m_state.scratch, number, removed);
                if (error != DecodeError::None)
                    return error;
                if (m_reader.Overflowed())
                    return DecodeError::Overflow;
                m_state.baselines[static_cast<size_t>(number)] = removed ? EntityState{} : m_state.scratch;
                m_state.hasBaseline[static_cast<size_t>(number)] = !removed;
            } else {
                return DecodeError::BadCommand;
            }
        }
        if (m_tables.gameStateClient) {
            gameState.clientNumber = static_cast<int32_t>(m_reader.ReadBits(32));
            gameState.checksumFeed = static_cast<int32_t>(m_reader.ReadBits(32));
            if (m_reader.Overflowed())
                return DecodeError::Overflow;
        }
        std::sort(gameState.configStrings.begin(), gameState.configStrings.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        gameState.baselines.reserve(m_state.hasBaseline.count());
        for (size_t n = 0; n < m_state.baselines.size(); ++n)
            if (m_state.hasBaseline[n]) {
                gameState.baselines.push_back(m_state.baselines[n]);
                gameState.baselines.back().number = static_cast<int>(n);
            }
        return DecodeError::None;
    }

    DecodeError ParseSnapshot(Snapshot& snapshot)
    {
        m_state.spareEntities.clear();
        if (m_tables.snapshotClientCommand)
            snapshot.clientCommandSequence = static_cast<int32_t>(m_reader.ReadBits(32));
        snapshot.serverTime = static_cast<int32_t>(m_reader.ReadBits(32));
        snapshot.deltaNumber = static_cast<uint8_t>(m_reader.ReadBits(8));
        snapshot.snapFlags = static_cast<uint8_t>(m_reader.ReadBits(8));
        const uint32_t areaBytes = m_reader.ReadBits(8);
        if (m_reader.Overflowed())
            return DecodeError::Overflow;
        if (areaBytes > static_cast<uint32_t>(kMaxAreaMaskBytes))
            return DecodeError::BadAreaMask;
        snapshot.areaMask.resize(areaBytes);
        for (uint8_t& b : snapshot.areaMask)
            b = static_cast<uint8_t>(m_reader.ReadBits(8));

        // As the game's client does: a delta from a snapshot it no longer holds is read (from
        // whatever that slot holds) but not shown.
        const int64_t deltaNum = snapshot.deltaNumber ? m_messageNum - snapshot.deltaNumber : -1;
        const StoredSnapshot* old = nullptr;
        snapshot.valid = true;
        if (deltaNum > 0) {
            old = &m_state.snapshots[static_cast<size_t>(deltaNum & (kPacketBackup - 1))];
            snapshot.valid =
                old->valid && old->messageNum == deltaNum &&
                m_state.parseEntitiesNum - old->parseEntitiesNum <= kMaxParseEntities - kMaxSnapshotEntities;
        }

        snapshot.player = old ? old->player : PlayerState{};
        const DecodeError playerError = m_tables.format == DeltaFormat::Counted ? ReadCountedPlayer(snapshot.player)
                                                                                : ReadPlainPlayer(snapshot.player);
        if (playerError != DecodeError::None)
            return playerError;
        if (m_reader.Overflowed())
            return DecodeError::Overflow;

        // The list is built once and then shared by the message and, when it is shown, the
        // snapshots kept for the deltas.
        SharedEntities list = m_state.TakeList();
        const DecodeError entityError = ReadPacketEntities(old, *list);
        if (entityError != DecodeError::None) {
            m_state.GiveBack(list);
            return entityError;
        }
        const auto entityCount = static_cast<int64_t>(list->size());
        snapshot.entities = EntityList(list);
        m_state.parseEntitiesNum += entityCount;

        if (snapshot.valid) {
            // Slots between the last shown snapshot and this one hold nothing to delta from.
            int64_t from = m_state.lastSnapshotMessage + 1;
            if (m_messageNum - from >= kPacketBackup)
                from = m_messageNum - (kPacketBackup - 1);
            for (; from < m_messageNum; ++from)
                m_state.snapshots[static_cast<size_t>(from & (kPacketBackup - 1))].valid = false;
            StoredSnapshot& stored = m_state.snapshots[static_cast<size_t>(m_messageNum & (kPacketBackup - 1))];
            stored.valid = true;
            stored.messageNum = m_messageNum;
            stored.parseEntitiesNum = m_state.parseEntitiesNum - entityCount;
            stored.player = snapshot.player;
            m_state.GiveBack(stored.entities);
            stored.entities = std::move(list);
            m_state.lastSnapshotMessage = m_messageNum;
        }
        return DecodeError::None;
    }

    // The entities of the snapshot this one is delta-coded from, merged with the changes, in
    // ascending order as the game's server sends them. Numbers that do not ascend would make a
    // list the game's client keeps but cannot search; they are refused as damage. That also
    // bounds the list: no more entities than numbers.
    DecodeError ReadPacketEntities(const StoredSnapshot* old, EntityBuffer& out)
    {
        const std::span<const EntityState> previous =
            old && old->entities ? std::span<const EntityState>(old->entities->data(), old->entities->size())
                                 : std::span<const EntityState>();
        size_t oldIndex = 0;
        bool removed = false;
        int lastNumber = -1;
        for (;;) {
            const int number = static_cast<int>(m_reader.ReadBits(kEntityNumberBits));
            if (m_reader.Overflowed())
                return DecodeError::Overflow;
            if (number == kNoEntity)
                break;
            if (number <= lastNumber)
                return DecodeError::EntitiesOutOfOrder;
            lastNumber = number;
            // The unchanged entities before this one join the list in one go.
            const size_t runStart = oldIndex;
            while (oldIndex < previous.size() && previous[oldIndex].number < number)
                ++oldIndex;
            out.Append(previous.data() + runStart, oldIndex - runStart);
            const EntityState* from = &m_state.baselines[static_cast<size_t>(number)];
            if (oldIndex < previous.size() && previous[oldIndex].number == number)
                from = &previous[oldIndex++];
            // Read straight into the list's next place, which starts as the entity it changes.
            EntityState& to = out.emplace_back(*from);
            DecodeError error = ReadDeltaEntity(to, to, number, removed);
            if (error == DecodeError::None && m_reader.Overflowed())
                error = DecodeError::Overflow;
            if (removed || error != DecodeError::None)
                out.pop_back();
            if (error != DecodeError::None)
                return error;
        }
        out.Append(previous.data() + oldIndex, previous.size() - oldIndex);
        return DecodeError::None;
    }

    // A float of the plain format: whole numbers in 13 bits, anything else in 32.
    uint32_t ReadPlainFloat()
    {
        return m_reader.ReadBits(1) ? m_reader.ReadBits(32) : SmallFloat(m_reader.ReadBits(kFloatIntBits));
    }

    uint32_t ReadInteger(int bits)
    {
        return bits < 0 ? SignExtend(m_reader.ReadBits(-bits), -bits) : m_reader.ReadBits(bits);
    }

    DecodeError ReadDeltaEntity(const EntityState& from, EntityState& to, int number, bool& removed)
    {
        removed = m_reader.ReadBits(1) != 0;
        if (removed)
            return DecodeError::None;
        if (&to != &from)
            to = from;
        to.number = number;
        if (m_reader.ReadBits(1) == 0)
            return DecodeError::None;
        const std::span<const NetField> table = m_tables.entity;
        if (m_tables.format == DeltaFormat::Plain) {
            std::array<uint8_t, 7> mask{};
            const uint32_t maskIndex = m_reader.ReadBits(5);
            if (maskIndex == 31) {
                for (size_t i = 0; i < 6; ++i)
                    mask[i] = static_cast<uint8_t>(m_reader.ReadBits(8));
                mask[6] = static_cast<uint8_t>(m_reader.ReadBits(static_cast<int>(table.size()) - 48));
            } else {
                mask = PlainEntityChangeMasks()[maskIndex];
            }
            // Only the fields the mask names, in the table's order.
            uint64_t changed = 0;
            for (size_t i = 0; i < mask.size(); ++i)
                changed |= static_cast<uint64_t>(mask[i]) << (8 * i);
            changed &= table.size() >= 64 ? ~uint64_t{0} : (uint64_t{1} << table.size()) - 1;
            for (; changed != 0; changed &= changed - 1) {
                const NetField f = table[static_cast<size_t>(std::countr_zero(changed))];
                to.fields[f.field] = f.bits == 0 ? ReadPlainFloat() : ReadInteger(f.bits);
            }
            return DecodeError::None;
        }
        const uint32_t count = m_reader.ReadBits(8);
        if (count > table.size())
            return m_reader.Overflowed() ? DecodeError::Overflow : DecodeError::BadFieldCount;
        for (size_t i = 0; i < count; ++i) {
            if (!m_reader.ReadBits(1))
                continue;
            const NetField f = table[i];
            uint32_t& value = to.fields[f.field];
            if (!m_reader.ReadBits(1)) {
                value = 0;
            } else if (f.bits == 0) {
                value = m_reader.ReadBits(1) ? m_reader.ReadBits(32) : SmallFloat(m_reader.ReadBits(kFloatIntBits));
            } else {
                value = ReadInteger(f.bits);
            }
        }
        return DecodeError::None;
    }

    DecodeError ReadCountedPlayer(PlayerState& to)
    {
        const std::span<const NetField> table = m_tables.player;
        const uint32_t count = m_reader.ReadBits(8);
        if (count > table.size())
            return m_reader.Overflowed() ? DecodeError::Overflow : DecodeError::BadFieldCount;
        for (size_t i = 0; i < count; ++i) {
            if (!m_reader.ReadBits(1))
                continue;
            const NetField f = table[i];
            if (f.bits == 0)
                to.fields[f.field] =
                    m_reader.ReadBits(1) ? m_reader.ReadBits(32) : SmallFloat(m_reader.ReadBits(kFloatIntBits));
            else
                to.fields[f.field] = ReadInteger(f.bits);
        }
        if (m_reader.ReadBits(1))
            ReadPlayerArrays(to);
        return DecodeError::None;
    }

    DecodeError ReadPlainPlayer(PlayerState& to)
    {
        if constexpr (requires { m_reader.SkipZeroBits(1); }) {
            // The unchanged fields' bits are passed a run at a time.
            const std::span<const NetField> table = m_tables.player;
            for (size_t i = 0; i < table.size(); ++i) {
                i += static_cast<size_t>(m_reader.SkipZeroBits(static_cast<int>(table.size() - i)));
                if (i >= table.size() || !m_reader.ReadBits(1))
                    break;
                const NetField f = table[i];
                to.fields[f.field] = f.bits == 0 ? ReadPlainFloat() : ReadInteger(f.bits);
            }
        } else {
            for (const NetField f : m_tables.player)
                if (m_reader.ReadBits(1))
                    to.fields[f.field] = f.bits == 0 ? ReadPlainFloat() : ReadInteger(f.bits);
        }
        ReadPlayerArrays(to);
        return DecodeError::None;
    }

    // Each array: a bit for "changed", the mask of changed entries, their values.
    void ReadPlayerArrays(PlayerState& to)
    {
        const auto readShorts = [this](std::array<int32_t, kStateArraySize>& values) {
            if (!m_reader.ReadBits(1))
                return;
            for (uint32_t mask = m_reader.ReadBits(kStateArraySize); mask != 0; mask &= mask - 1)
                values[static_cast<size_t>(std::countr_zero(mask))] =
                    static_cast<int32_t>(SignExtend(m_reader.ReadBits(16), 16));
        };
        readShorts(to.stats);
        readShorts(to.persistant);
        readShorts(to.ammo);
        if (!m_reader.ReadBits(1))
            return;
        for (uint32_t mask = m_reader.ReadBits(kStateArraySize); mask != 0; mask &= mask - 1)
            to.powerups[static_cast<size_t>(std::countr_zero(mask))] = static_cast<int32_t>(m_reader.ReadBits(32));
    }

    DemoDecoder::State& m_state;
    const ProtocolFieldTables& m_tables;
    Reader& m_reader;
    int64_t m_messageNum;
    bool m_quakeLive;
    std::string m_text;
};

template <class Reader>
DecodeError ParseMessage(DemoDecoder::State& state, std::span<const uint8_t> payload, int64_t messageNum, int protocol,
                         DemoMessage& message)
{
    Reader reader(payload);
    MessageParser<Reader> parser(state, reader, messageNum, protocol);
    return parser.Parse(message);
}

} // namespace

std::string_view DecodeErrorText(DecodeError error)
{
    switch (error) {
    case DecodeError::None:
        return "no error";
    case DecodeError::UnknownProtocol:
        return "protocol not readable";
    case DecodeError::CutOff:
        return "demo cut off inside a message";
    case DecodeError::BadLength:
        return "negative message length";
    case DecodeError::MessageTooLong:
        return "message longer than 16384 bytes";
    case DecodeError::Overflow:
        return "message read past its end";
    case DecodeError::BadCommand:
        return "unknown command in message";
    case DecodeError::BadConfigStringIndex:
        return "configuration string index out of range";
    case DecodeError::GameStateTooLarge:
        return "game state too large";
    case DecodeError::BadFieldCount:
        return "too many changed fields";
    case DecodeError::BadAreaMask:
        return "area mask too long";
    case DecodeError::EntitiesOutOfOrder:
        return "entity numbers out of order";
    }
    return "unknown error";
}

bool IsDecodableProtocol(int protocol)
{
    return FieldTablesFor(protocol) != nullptr;
}

DemoDecoder::DemoDecoder(std::span<const uint8_t> data, int protocol)
    : m_data(data), m_protocol(protocol), m_state(new State)
{
    m_state->tables = FieldTablesFor(protocol);
    if (!m_state->tables) {
        m_error = DecodeError::UnknownProtocol;
        m_done = true;
    }
}

DemoDecoder::~DemoDecoder()
{
    delete m_state;
}

bool DemoDecoder::Next(DemoMessage& message)
{
    if (m_done)
        return false;
    m_messageAt = m_pos;
    const size_t left = m_data.size() - m_pos;
    const auto stop = [this](DecodeError error) {
        m_error = error;
        m_done = true;
        return false;
    };
    if (left == 0)
        return stop(DecodeError::None);
    if (left < 4)
        return stop(DecodeError::CutOff);
    const int32_t sequence = static_cast<int32_t>(Le32(m_data.data() + m_pos));
    if (left < 8) {
        if (sequence == -1)
            m_endMarker = true;
        return stop(sequence == -1 ? DecodeError::None : DecodeError::CutOff);
    }
    const int32_t length = static_cast<int32_t>(Le32(m_data.data() + m_pos + 4));
    // The game stops at a length of -1; older readers look at the sequence.
    if (sequence == -1 || length == -1) {
        m_endMarker = true;
        return stop(DecodeError::None);
    }
    if (length < 0)
        return stop(DecodeError::BadLength);
    if (static_cast<size_t>(length) > kMaxMessageSize)
        return stop(DecodeError::MessageTooLong);
    if (left - 8 < static_cast<size_t>(length))
        return stop(DecodeError::CutOff);

    message.sequence = sequence;
    message.reliableAcknowledge.reset();
    message.serverCommands.clear();
    message.gameState.reset();
    if (message.snapshot) {
        m_state->spareEntities = std::move(message.snapshot->entities);
        message.snapshot.reset();
    }
    const std::span<const uint8_t> payload = m_data.subspan(m_pos + 8, static_cast<size_t>(length));
    const DecodeError error = m_state->tables->huffman
                                  ? ParseMessage<CodedBitReader>(*m_state, payload, sequence, m_protocol, message)
                                  : ParseMessage<PlainBitReader>(*m_state, payload, sequence, m_protocol, message);
    if (error != DecodeError::None)
        return stop(error);
    m_pos += 8 + static_cast<size_t>(length);
    ++m_messages;
    return true;
}

DecodedDemo DecodeDemo(std::span<const uint8_t> data, int protocol)
{
    DecodedDemo demo;
    demo.protocol = protocol;
    DemoDecoder decoder(data, protocol);
    DemoMessage message;
    while (decoder.Next(message))
        demo.messages.push_back(std::move(message));
    demo.endMarker = decoder.EndMarkerSeen();
    demo.error = decoder.Error();
    demo.errorOffset = decoder.ErrorOffset();
    return demo;
}

int DemoProtocolOf(std::span<const uint8_t> data, std::string_view lowerExtension)
{
    if (lowerExtension.size() == 6 && lowerExtension.substr(0, 4) == ".dm_") {
        const int fromName = (lowerExtension[4] - '0') * 10 + (lowerExtension[5] - '0');
        if (fromName != 48)
            return IsDecodableProtocol(fromName) ? fromName : 0;
    } else if (lowerExtension != ".dm3") {
        return 0;
    }
    // The older formats keep the server information in plain bytes of the first message.
    constexpr std::string_view kKey = "protocol\\";
    if (data.size() > 12) {
        const std::string_view text(reinterpret_cast<const char*>(data.data()) + 12, data.size() - 12);
        const size_t at = text.find(kKey);
        if (at != std::string_view::npos) {
            const int protocol = ProtocolFromInfo(text.substr(at));
            if (protocol != 0)
                return protocol;
        }
    }
    return lowerExtension == ".dm_48" ? 48 : 0;
}

} // namespace core
