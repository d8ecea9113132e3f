#include "core/demo/DemoDecoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <bitset>
#include <cstring>
#include <memory>

#include "core/common/LittleEndian.h"
#include "core/protocol/BitSources.h"
#include "core/protocol/CommandReader.h"
#include "core/protocol/DemoFieldTables.h"
#include "core/protocol/Huffman.h"
#include "core/protocol/MessageCommand.h"
#include "core/protocol/MessageFramer.h"
#include "core/protocol/ProtocolTable.h"

namespace core {
namespace {

// The client keeps kPacketBackup snapshots to delta from, and this many entities of them.
constexpr int64_t kMaxParseEntities = kPacketBackup * 256;
constexpr int64_t kMaxSnapshotEntities = 256;
// Floats that hold a small whole number travel as one of 13 bits, biased to be positive.
constexpr int kFloatIntBits = 13;
constexpr int32_t kFloatIntBias = 1 << (kFloatIntBits - 1);

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
    const ProtocolInfo* protocol = nullptr;
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
    MessageParser(DemoDecoder::State& state, Reader& reader, int64_t messageNum)
        : m_state(state), m_protocol(*state.protocol), m_tables(*state.tables), m_reader(reader),
          m_commands(reader, *state.protocol), m_messageNum(messageNum),
          m_huffman(state.protocol->coding == MessageCoding::Huffman)
    {
    }

    DecodeError Parse(DemoMessage& message)
    {
        if (m_protocol.acknowledge) {
            int32_t acknowledge = 0;
            if (!m_commands.ReadAcknowledge(acknowledge))
                return DecodeError::Overflow;
            message.reliableAcknowledge = acknowledge;
        }
        for (;;) {
            // What is left is less than a command byte: the padding of the last byte.
            if (m_reader.BitsLeft() < 8)
                return Finish(message);
            DecodeError error = DecodeError::None;
            switch (m_commands.Next()) {
            case WireItem::End:
                return Finish(message);
            case WireItem::Bad:
                // The old game's messages end with a 0 byte.
                return m_huffman ? DecodeError::BadCommand : Finish(message);
            case WireItem::Nop:
            case WireItem::Voice:    // ioquake3's voice chat: players' voices have no place in the model
            case WireItem::Download: // the game reads nothing of it in a demo
                break;
            case WireItem::ServerCommand: {
                ServerCommand& cmd = message.serverCommands.emplace_back();
                cmd.sequence = static_cast<int32_t>(m_commands.Sequence());
                cmd.text.swap(m_commands.Text());
                break;
            }
            case WireItem::GameState:
                if (message.gameState)
                    return DecodeError::BadCommand;
                error = ParseGameState(message.gameState.emplace());
                break;
            case WireItem::Snapshot:
                if (m_snapshotRead)
                    return DecodeError::BadCommand;
                m_snapshotRead = true;
                // The last message's snapshot is overwritten field by field: its storage (the
                // area mask's above all) serves again.
                error = ParseSnapshot(message.snapshot ? *message.snapshot : message.snapshot.emplace());
                break;
            case WireItem::Overflow:
                return DecodeError::Overflow;
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
    DecodeError Finish(DemoMessage& message)
    {
        if (!m_snapshotRead)
            message.snapshot.reset();
        return DecodeError::None;
    }

    DecodeError ParseGameState(GameState& gameState)
    {
        m_state.ClearForGameState();
        m_state.configStringSlot.fill(-1);
        gameState.serverCommandSequence = static_cast<int32_t>(m_commands.Sequence());
        int64_t dataCount = 1;
        const auto maxChars = static_cast<int64_t>(m_protocol.maxGameStateChars);
        for (bool inGameState = true; inGameState;) {
            switch (m_commands.Next()) {
            case WireItem::GameStateEnd:
                if (m_protocol.gameStateClient) {
                    gameState.clientNumber = m_commands.ClientNumber();
                    gameState.checksumFeed = m_commands.ChecksumFeed();
                }
                inGameState = false;
                break;
            case WireItem::ConfigString: {
                const std::string& text = m_commands.Text();
                const auto index = static_cast<size_t>(m_commands.Index());
                dataCount += static_cast<int64_t>(text.size()) + 1;
                if (dataCount > maxChars)
                    return DecodeError::GameStateTooLarge;
                int& slot = m_state.configStringSlot[index];
                if (slot >= 0) {
                    gameState.configStrings[static_cast<size_t>(slot)].second = text;
                } else {
                    slot = static_cast<int>(gameState.configStrings.size());
                    gameState.configStrings.emplace_back(static_cast<int>(index), text);
                }
                break;
            }
            case WireItem::Baseline: {
                const int number = m_commands.Index();
                const EntityState null{};
                bool removed = false;
                const DecodeError error = ReadDeltaEntity(null, m_state.scratch, number, removed);
                if (error != DecodeError::None)
                    return error;
                if (m_reader.Overflowed())
                    return DecodeError::Overflow;
                m_state.baselines[static_cast<size_t>(number)] = removed ? EntityState{} : m_state.scratch;
                m_state.hasBaseline[static_cast<size_t>(number)] = !removed;
                break;
            }
            case WireItem::BadIndex:
                return DecodeError::BadConfigStringIndex;
            case WireItem::Overflow:
                return DecodeError::Overflow;
            default:
                return DecodeError::BadCommand;
            }
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
        if (m_protocol.snapshotClientCommand)
            snapshot.clientCommandSequence = static_cast<int32_t>(m_reader.ReadBits(32));
        else
            snapshot.clientCommandSequence.reset();
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
        SharedEntities list;
        const DecodeError entityError = ReadPacketEntities(old, list);
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
    //
    // A snapshot that changes no entity (a good part of them: nothing in sight moved) shares the
    // list it is delta-coded from instead of copying it; lists are never changed once built.
    DecodeError ReadPacketEntities(const StoredSnapshot* old, SharedEntities& list)
    {
        const std::span<const EntityState> previous =
            old && old->entities ? std::span<const EntityState>(old->entities->data(), old->entities->size())
                                 : std::span<const EntityState>();
        int number = static_cast<int>(m_reader.ReadBits(kEntityNumberBits));
        if (m_reader.Overflowed())
            return DecodeError::Overflow;
        if (number == kNoEntity) {
            list = old && old->entities ? old->entities : m_state.TakeList();
            return DecodeError::None;
        }
        list = m_state.TakeList();
        EntityBuffer& out = *list;
        size_t oldIndex = 0;
        bool removed = false;
        int lastNumber = -1;
        for (;; number = static_cast<int>(m_reader.ReadBits(kEntityNumberBits))) {
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
            // Read straight into the list's next place, which starts as the entity it changes: the
            // old one joins its run's copy, a new one comes from its baseline.
            if (oldIndex < previous.size() && previous[oldIndex].number == number) {
                ++oldIndex;
                out.Append(previous.data() + runStart, oldIndex - runStart);
            } else {
                out.Append(previous.data() + runStart, oldIndex - runStart);
                out.emplace_back(m_state.baselines[static_cast<size_t>(number)]);
            }
            EntityState& to = out.data()[out.size() - 1];
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
        for (size_t i = 0;; ++i) {
            if (!SkipUnchanged(i, count))
                break;
            const NetField f = table[i];
            uint32_t& value = to.fields[f.field];
            // The "changed" bit (a 1 but on overflow) and the "not zero" bit at once.
            const uint32_t flags = m_reader.ReadBits(2);
            if (!(flags & 1))
                break;
            if (!(flags & 2)) {
                value = 0;
            } else if (f.bits == 0) {
                value = m_reader.ReadBits(1) ? m_reader.ReadBits(32) : SmallFloat(m_reader.ReadBits(kFloatIntBits));
            } else {
                value = ReadInteger(f.bits);
            }
        }
        return DecodeError::None;
    }

    // Moves `i` past the fields below `count` whose "changed" bit is 0, a run at a time (most
    // fields are unchanged); false when none is left. The set bit is left for the caller to read
    // with the bits that follow it: bits read a few at a time are raw in both codings, so one read
    // of n bits is the same as n reads of one.
    bool SkipUnchanged(size_t& i, size_t count)
    {
        if (i >= count)
            return false;
        i += static_cast<size_t>(m_reader.SkipZeroBits(static_cast<int>(count - i)));
        return i < count;
    }

    DecodeError ReadCountedPlayer(PlayerState& to)
    {
        const std::span<const NetField> table = m_tables.player;
        const uint32_t count = m_reader.ReadBits(8);
        if (count > table.size())
            return m_reader.Overflowed() ? DecodeError::Overflow : DecodeError::BadFieldCount;
        for (size_t i = 0;; ++i) {
            if (!SkipUnchanged(i, count))
                break;
            const NetField f = table[i];
            if (f.bits == 0) {
                // The "changed" bit and the float's "full" bit at once.
                const uint32_t flags = m_reader.ReadBits(2);
                if (!(flags & 1))
                    break;
                to.fields[f.field] = flags & 2 ? m_reader.ReadBits(32) : SmallFloat(m_reader.ReadBits(kFloatIntBits));
            } else {
                if (!m_reader.ReadBits(1))
                    break;
                to.fields[f.field] = ReadInteger(f.bits);
            }
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
    const ProtocolInfo& m_protocol;
    const ProtocolFieldTables& m_tables;
    Reader& m_reader;
    CommandReader<Reader> m_commands;
    int64_t m_messageNum;
    bool m_huffman;
    bool m_snapshotRead = false;
};

template <class Reader>
DecodeError ParseMessage(DemoDecoder::State& state, std::span<const uint8_t> payload, int64_t messageNum,
                         DemoMessage& message)
{
    Reader reader(payload);
    MessageParser<Reader> parser(state, reader, messageNum);
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
    : m_data(data), m_protocol(protocol), m_framer(data), m_state(new State)
{
    m_state->protocol = FindProtocol(protocol);
    m_state->tables = FieldTablesFor(protocol);
    if (m_state->protocol)
        m_framer = MessageFramer(data, m_state->protocol->maxMessageSize);
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
    const auto stop = [this](DecodeError error) {
        m_error = error;
        m_done = true;
        return false;
    };
    MessageFrame frame;
    const FrameResult framed = m_framer.Next(frame);
    m_messageAt = frame.at;
    switch (framed) {
    case FrameResult::Message:
        break;
    case FrameResult::EndMarker:
        m_endMarker = true;
        return stop(DecodeError::None);
    case FrameResult::DataEnd:
        return stop(DecodeError::None);
    case FrameResult::BadSize:
        return stop(DecodeError::BadLength);
    case FrameResult::TooLong:
        return stop(DecodeError::MessageTooLong);
    default:
        return stop(DecodeError::CutOff);
    }
    const int32_t sequence = frame.sequence;
    message.sequence = sequence;
    message.reliableAcknowledge.reset();
    message.serverCommands.clear();
    message.gameState.reset();
    // The snapshot stays for its storage until the message is read; its entities are let go of
    // now, so that their list can serve again.
    if (message.snapshot)
        m_state->spareEntities = std::move(message.snapshot->entities);
    const std::span<const uint8_t> payload = frame.payload;
    const DecodeError error = m_state->protocol->coding == MessageCoding::Huffman
                                  ? ParseMessage<HuffmanBitSource>(*m_state, payload, sequence, message)
                                  : ParseMessage<PlainBitReader>(*m_state, payload, sequence, message);
    if (error != DecodeError::None)
        return stop(error);
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
    const int fromName = DecodableProtocolOfExtension(lowerExtension);
    if (!IsSharedExtension(lowerExtension))
        return fromName;
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
    return fromName;
}

} // namespace core
