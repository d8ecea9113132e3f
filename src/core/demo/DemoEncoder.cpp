#include "core/demo/DemoEncoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/protocol/DemoFieldTables.h"
#include "core/protocol/HuffmanBitWriter.h"
#include "core/protocol/MessageCommand.h"
#include "core/protocol/ProtocolTable.h"

namespace core {
namespace {

constexpr int kFloatIntBits = 13;
constexpr int32_t kFloatIntBias = 1 << (kFloatIntBits - 1);

constexpr uint8_t Command(MessageCommand command)
{
    return static_cast<uint8_t>(command);
}

// The 13-bit form of a float that holds a small whole number, when it gives back the very same bits
// (not for -0, which would come back as +0).
bool SmallFloat(uint32_t bits, uint32_t& biased)
{
    const float value = FieldAsFloat(bits);
    if (!std::isfinite(value) || value < -kFloatIntBias || value >= kFloatIntBias)
        return false;
    const auto whole = static_cast<int32_t>(value);
    if (FloatAsField(static_cast<float>(whole)) != bits)
        return false;
    biased = static_cast<uint32_t>(whole + kFloatIntBias);
    return true;
}

// The fields a protocol sends are the first ones of the model (1.32's, then Quake Live's in the
// order they came): one past the highest the table names.
size_t SentFields(std::span<const NetField> table)
{
    size_t end = 0;
    for (const NetField f : table)
        end = std::max(end, size_t{f.field} + 1);
    return end;
}

template <size_t N> bool SameFirst(const std::array<uint32_t, N>& a, const std::array<uint32_t, N>& b, size_t count)
{
    return std::memcmp(a.data(), b.data(), count * sizeof(uint32_t)) == 0;
}

// One past the last field of `table` that differs: the number of fields a delta sends.
template <size_t N>
size_t ChangedCount(std::span<const NetField> table, const std::array<uint32_t, N>& from,
                    const std::array<uint32_t, N>& to)
{
    for (size_t i = table.size(); i > 0; --i)
        if (from[table[i - 1].field] != to[table[i - 1].field])
            return i;
    return 0;
}

void PutLe32(std::vector<uint8_t>& out, int32_t value)
{
    const auto u = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(u >> (8 * i)));
}

// Entity numbers below `limit`, each greater than the one before.
EncodeError CheckEntityNumbers(std::span<const EntityState> entities, int limit)
{
    int previous = -1;
    for (const EntityState& entity : entities) {
        if (entity.number < 0 || entity.number >= limit)
            return EncodeError::BadEntityNumber;
        if (entity.number <= previous)
            return EncodeError::EntitiesOutOfOrder;
        previous = entity.number;
    }
    return EncodeError::None;
}

EncodeError Check(const DemoMessage& message, const ProtocolInfo& written)
{
    for (const ServerCommand& command : message.serverCommands)
        if (command.text.size() > kMaxStringChars || command.text.find('\0') != std::string::npos)
            return EncodeError::TextTooLong;
    if (message.gameState) {
        size_t chars = 1;
        for (const auto& [index, text] : message.gameState->configStrings) {
            if (index < 0 || index >= kMaxConfigStrings)
                return EncodeError::BadConfigStringIndex;
            if (text.size() > kMaxBigStringChars || text.find('\0') != std::string::npos)
                return EncodeError::TextTooLong;
            chars += text.size() + 1;
        }
        if (chars > written.maxGameStateChars)
            return EncodeError::GameStateTooLarge;
        if (const EncodeError error = CheckEntityNumbers(message.gameState->baselines, kMaxEntities);
            error != EncodeError::None)
            return error;
    }
    if (message.snapshot) {
        if (message.snapshot->areaMask.size() > static_cast<size_t>(kMaxAreaMaskBytes))
            return EncodeError::BadAreaMask;
        if (const EncodeError error = CheckEntityNumbers(message.snapshot->entities, kNoEntity);
            error != EncodeError::None)
            return error;
    }
    return EncodeError::None;
}

} // namespace

struct DemoEncoder::State {
    explicit State(const ProtocolInfo& protocol)
        : written(protocol), tables(*protocol.fields), entityFields(SentFields(tables.entity)),
          playerFields(SentFields(tables.player))
    {
    }

    const ProtocolInfo& written;
    const ProtocolFieldTables& tables;
    size_t entityFields, playerFields; // of the model's, those the protocol's deltas can carry
    HuffmanBitWriter writer;
    std::array<EntityState, kMaxEntities> baselines{};
    std::array<EntityState, kMaxEntities> nextBaselines{}; // of a game state being written
    bool haveSnapshot = false;
    int64_t lastSnapshotSequence = 0;
    PlayerState lastPlayer;
    EntityList lastEntities; // shared with the message it came with, not copied
    bool anyMessage = false;
    int64_t lastSequence = 0;
    bool finished = false;

    void WriteText(std::string_view text)
    {
        for (char c : text)
            writer.WriteByte(static_cast<uint8_t>(c));
        writer.WriteByte(0);
    }

    // The entity delta of the counted format. Without `to`, the entity is removed. Returns
    // nothing at all when nothing changed and `force` is false.
    void WriteDeltaEntity(const EntityState& from, const EntityState* to, int number, bool force)
    {
        if (!to) {
            writer.WriteBits(static_cast<uint32_t>(number), kEntityNumberBits);
            writer.WriteBits(1, 1);
            return;
        }
        const std::span<const NetField> table = tables.entity;
        size_t count = 0;
        // Most entities of a snapshot are as they were: one comparison of every field says so.
        if (!SameFirst(from.fields, to->fields, entityFields))
            count = ChangedCount(table, from.fields, to->fields);
        if (count == 0 && !force)
            return;
        writer.WriteBits(static_cast<uint32_t>(number), kEntityNumberBits);
        writer.WriteBits(0, 1); // not removed
        if (count == 0) {
            writer.WriteBits(0, 1); // unchanged
            return;
        }
        writer.WriteBits(1, 1);
        writer.WriteByte(static_cast<uint8_t>(count));
        for (size_t i = 0; i < count; ++i) {
            const NetField f = table[i];
            const uint32_t value = to->fields[f.field];
            if (from.fields[f.field] == value) {
                writer.WriteBits(0, 1);
                continue;
            }
            writer.WriteBits(1, 1);
            // Only +0 takes the short "zero" form, so that -0 keeps its sign.
            if (value == 0) {
                writer.WriteBits(0, 1);
                continue;
            }
            writer.WriteBits(1, 1);
            if (f.bits == 0)
                WriteFloat(value);
            else
                writer.WriteBits(value, f.bits < 0 ? -f.bits : f.bits);
        }
    }

    void WriteFloat(uint32_t value)
    {
        uint32_t biased = 0;
        if (SmallFloat(value, biased)) {
            writer.WriteBits(0, 1);
            writer.WriteBits(biased, kFloatIntBits);
        } else {
            writer.WriteBits(1, 1);
            writer.WriteBits(value, 32);
        }
    }

    void WriteDeltaPlayer(const PlayerState& from, const PlayerState& to)
    {
        const std::span<const NetField> table = tables.player;
        size_t count = 0;
        if (!SameFirst(from.fields, to.fields, playerFields))
            count = ChangedCount(table, from.fields, to.fields);
        writer.WriteByte(static_cast<uint8_t>(count));
        for (size_t i = 0; i < count; ++i) {
            const NetField f = table[i];
            const uint32_t value = to.fields[f.field];
            if (from.fields[f.field] == value) {
                writer.WriteBits(0, 1);
                continue;
            }
            writer.WriteBits(1, 1);
            if (f.bits == 0)
                WriteFloat(value);
            else
                writer.WriteBits(value, f.bits < 0 ? -f.bits : f.bits);
        }
        const auto changed = [](const std::array<int32_t, kStateArraySize>& a,
                                const std::array<int32_t, kStateArraySize>& b) {
            uint32_t mask = 0;
            for (int i = 0; i < kStateArraySize; ++i)
                if (a[static_cast<size_t>(i)] != b[static_cast<size_t>(i)])
                    mask |= 1u << i;
            return mask;
        };
        const uint32_t masks[4] = {changed(from.stats, to.stats), changed(from.persistant, to.persistant),
                                   changed(from.ammo, to.ammo), changed(from.powerups, to.powerups)};
        if (!(masks[0] | masks[1] | masks[2] | masks[3])) {
            writer.WriteBits(0, 1);
            return;
        }
        writer.WriteBits(1, 1);
        const std::array<int32_t, kStateArraySize>* arrays[4] = {&to.stats, &to.persistant, &to.ammo, &to.powerups};
        for (int a = 0; a < 4; ++a) {
            if (!masks[a]) {
                writer.WriteBits(0, 1);
                continue;
            }
            writer.WriteBits(1, 1);
            writer.WriteBits(masks[a], kStateArraySize);
            for (int i = 0; i < kStateArraySize; ++i)
                if (masks[a] & (1u << i))
                    writer.WriteBits(static_cast<uint32_t>((*arrays[a])[static_cast<size_t>(i)]), a == 3 ? 32 : 16);
        }
    }

    void WriteGameState(const GameState& gameState)
    {
        writer.WriteByte(Command(MessageCommand::GameState));
        writer.WriteBits(static_cast<uint32_t>(gameState.serverCommandSequence), 32);
        for (const auto& [index, text] : gameState.configStrings) {
            writer.WriteByte(Command(MessageCommand::ConfigString));
            writer.WriteBits(static_cast<uint32_t>(index), 16);
            WriteText(text);
        }
        const EntityState null{};
        for (const EntityState& baseline : gameState.baselines) {
            writer.WriteByte(Command(MessageCommand::Baseline));
            WriteDeltaEntity(null, &baseline, baseline.number, true);
        }
        writer.WriteByte(Command(MessageCommand::End));
        if (written.gameStateClient) {
            writer.WriteBits(static_cast<uint32_t>(gameState.clientNumber.value_or(0)), 32);
            writer.WriteBits(static_cast<uint32_t>(gameState.checksumFeed.value_or(0)), 32);
        }
    }

    // Delta-coded against the last snapshot written when the game's client still holds it.
    // Messages numbered 0 or below cannot be delta sources: the client reads a delta from them as
    // a whole snapshot.
    void WriteSnapshot(const Snapshot& snapshot, int64_t sequence,
                       const std::array<EntityState, kMaxEntities>& currentBaselines, bool newGameState)
    {
        const int64_t back = sequence - lastSnapshotSequence;
        const bool delta =
            !newGameState && haveSnapshot && lastSnapshotSequence > 0 && back > 0 && back < written.packetBackup;
        const std::span<const EntityState> previous = delta ? lastEntities : std::span<const EntityState>();
        writer.WriteByte(Command(MessageCommand::Snapshot));
        if (written.snapshotClientCommand)
            writer.WriteBits(static_cast<uint32_t>(snapshot.clientCommandSequence.value_or(0)), 32);
        writer.WriteBits(static_cast<uint32_t>(snapshot.serverTime), 32);
        writer.WriteByte(delta ? static_cast<uint8_t>(back) : 0);
        writer.WriteByte(snapshot.snapFlags);
        writer.WriteByte(static_cast<uint8_t>(snapshot.areaMask.size()));
        for (uint8_t b : snapshot.areaMask)
            writer.WriteByte(b);
        WriteDeltaPlayer(delta ? lastPlayer : PlayerState{}, snapshot.player);

        const std::span<const EntityState> current = snapshot.entities;
        size_t oldIndex = 0, newIndex = 0;
        constexpr int kPastLast = 1 << 16;
        while (oldIndex < previous.size() || newIndex < current.size()) {
            const int oldNumber = oldIndex < previous.size() ? previous[oldIndex].number : kPastLast;
            const int newNumber = newIndex < current.size() ? current[newIndex].number : kPastLast;
            if (oldNumber == newNumber) {
                WriteDeltaEntity(previous[oldIndex++], &current[newIndex++], newNumber, false);
            } else if (newNumber < oldNumber) {
                WriteDeltaEntity(currentBaselines[static_cast<size_t>(newNumber)], &current[newIndex++], newNumber,
                                 true);
            } else {
                WriteDeltaEntity(previous[oldIndex++], nullptr, oldNumber, false);
            }
        }
        writer.WriteBits(static_cast<uint32_t>(kNoEntity), kEntityNumberBits);
    }
};

std::string_view EncodeErrorText(EncodeError error)
{
    switch (error) {
    case EncodeError::None:
        return "no error";
    case EncodeError::MessageTooLong:
        return "message longer than 16384 bytes";
    case EncodeError::BadEntityNumber:
        return "entity number out of range";
    case EncodeError::BadConfigStringIndex:
        return "configuration string index out of range";
    case EncodeError::EntitiesOutOfOrder:
        return "entities not in ascending order";
    case EncodeError::BadAreaMask:
        return "area mask too long";
    case EncodeError::GameStateTooLarge:
        return "game state too large for the game";
    case EncodeError::TextTooLong:
        return "text too long for the game";
    case EncodeError::SequenceOutOfOrder:
        return "message sequence not ascending";
    case EncodeError::Finished:
        return "message after the end marker";
    }
    return "unknown error";
}

bool CanEncodeProtocol(int protocol)
{
    const ProtocolInfo* row = FindProtocol(protocol);
    return row && row->coding == MessageCoding::Huffman && row->fields && row->fields->format == DeltaFormat::Counted;
}

DemoEncoder::DemoEncoder(std::vector<uint8_t>& out, int protocol)
    : m_out(out), m_state(new State(*FindProtocol(CanEncodeProtocol(protocol) ? protocol : kProtocol132)))
{
}

DemoEncoder::~DemoEncoder()
{
    delete m_state;
}

EncodeError DemoEncoder::Add(const DemoMessage& message)
{
    State& s = *m_state;
    if (s.finished)
        return EncodeError::Finished;
    if (s.anyMessage && message.sequence <= s.lastSequence)
        return EncodeError::SequenceOutOfOrder;
    if (const EncodeError error = Check(message, s.written); error != EncodeError::None)
        return error;

    HuffmanBitWriter& w = s.writer;
    w.Clear();
    // Protocols without an acknowledge get the message's own number, which only grows.
    if (s.written.acknowledge)
        w.WriteBits(static_cast<uint32_t>(message.reliableAcknowledge.value_or(message.sequence)), 32);
    for (const ServerCommand& command : message.serverCommands) {
        w.WriteByte(Command(MessageCommand::ServerCommand));
        w.WriteBits(static_cast<uint32_t>(command.sequence), 32);
        s.WriteText(command.text);
    }
    const bool newGameState = message.gameState.has_value();
    if (newGameState) {
        // A game state starts over: new baselines, and nothing to delta from.
        s.WriteGameState(*message.gameState);
        s.nextBaselines.fill(EntityState{});
        for (const EntityState& b : message.gameState->baselines)
            s.nextBaselines[static_cast<size_t>(b.number)] = b;
    }
    if (message.snapshot)
        s.WriteSnapshot(*message.snapshot, message.sequence, newGameState ? s.nextBaselines : s.baselines,
                        newGameState);
    w.WriteByte(Command(MessageCommand::End));
    // The game's reader counts a byte as read once it has begun it, and a message whose last code
    // ends on a byte boundary would leave its end marker outside: its own writer always leaves
    // part of a byte over, and so does this one.
    if (w.BitCount() % 8 == 0)
        w.WriteRawBits(0, 8);
    if (w.ByteCount() > s.written.maxMessageSize)
        return EncodeError::MessageTooLong;

    PutLe32(m_out, message.sequence);
    PutLe32(m_out, static_cast<int32_t>(w.ByteCount()));
    w.AppendTo(m_out);

    s.anyMessage = true;
    s.lastSequence = message.sequence;
    if (newGameState) {
        s.baselines.swap(s.nextBaselines);
        s.haveSnapshot = false;
    }
    if (message.snapshot) {
        s.haveSnapshot = true;
        s.lastSnapshotSequence = message.sequence;
        s.lastPlayer = message.snapshot->player;
        s.lastEntities = message.snapshot->entities;
    }
    return EncodeError::None;
}

void DemoEncoder::Finish()
{
    if (m_state->finished)
        return;
    m_state->finished = true;
    PutLe32(m_out, -1);
    PutLe32(m_out, -1);
}

} // namespace core
