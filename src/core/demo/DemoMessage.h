#pragma once
// A demo decoded completely: the recorded server messages one by one, with every snapshot's player
// state and entity states as the game's client holds them after applying the deltas.
//
// Entity and player state fields are named by the identities of core/protocol/StateFields.
#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/protocol/StateFields.h"
#include "core/protocol/WireLimits.h"

namespace core {

struct EntityState {
    int number = 0; // 0..1022
    std::array<uint32_t, kEntityFieldCount> fields{};

    uint32_t& operator[](EntityField f) { return fields[static_cast<size_t>(f)]; }
    uint32_t operator[](EntityField f) const { return fields[static_cast<size_t>(f)]; }
    bool operator==(const EntityState&) const = default;
};

// The storage of an entity list. Entity states are plain values, so they are copied a block at a
// time (the decoder copies every unchanged entity of a snapshot into the next one).
class EntityBuffer {
public:
    EntityBuffer() = default;
    EntityBuffer(const EntityState* from, size_t count) { Append(from, count); }
    EntityBuffer(const EntityBuffer& other) : EntityBuffer(other.data(), other.size()) {}
    EntityBuffer& operator=(const EntityBuffer&) = delete;
    ~EntityBuffer() { ::operator delete(m_data); }

    size_t size() const { return m_size; }
    const EntityState* data() const { return m_data; }
    EntityState* data() { return m_data; }
    void reserve(size_t capacity)
    {
        if (capacity > m_capacity)
            Grow(capacity);
    }
    void Append(const EntityState* from, size_t count)
    {
        if (count == 0)
            return;
        reserve(m_size + count);
        std::memcpy(static_cast<void*>(m_data + m_size), from, count * sizeof(EntityState));
        m_size += count;
    }
    template <class... Args> EntityState& emplace_back(Args&&... args)
    {
        if (m_size == m_capacity)
            Grow(m_size + 1);
        EntityState* entity = ::new (static_cast<void*>(m_data + m_size)) EntityState(std::forward<Args>(args)...);
        ++m_size;
        return *entity;
    }
    void pop_back() { --m_size; }
    void resize(size_t count)
    {
        reserve(count);
        while (m_size < count)
            emplace_back();
        m_size = count;
    }
    void clear() { m_size = 0; }

private:
    void Grow(size_t capacity)
    {
        capacity = std::max({capacity, 2 * m_capacity, size_t{16}});
        auto* grown = static_cast<EntityState*>(::operator new(capacity * sizeof(EntityState)));
        if (m_size > 0)
            std::memcpy(static_cast<void*>(grown), m_data, m_size * sizeof(EntityState));
        ::operator delete(m_data);
        m_data = grown;
        m_capacity = capacity;
    }

    EntityState* m_data = nullptr;
    size_t m_size = 0;
    size_t m_capacity = 0;
};
static_assert(std::is_trivially_copyable_v<EntityState> && std::is_trivially_destructible_v<EntityState>);

// The entities of a snapshot, ascending by number: a list like a std::vector<EntityState> whose
// copies share the entities until one of them is changed. A snapshot of a long demo holds some
// thirty entities and most of them are as they were; the decoder keeps every list for the deltas
// that follow and lends it to the message, and an encoder keeps the last one it wrote, without
// copying them.
//
// Reading never copies. Everything that can change the entities (the non-const accessors,
// including the non-const begin() a range-for over a non-const list calls) first takes a list of
// its own when the entities are shared.
class EntityList {
public:
    using value_type = EntityState;
    using size_type = size_t;
    using reference = EntityState&;
    using const_reference = const EntityState&;
    using iterator = EntityState*;
    using const_iterator = const EntityState*;

    EntityList() = default;
    EntityList(const std::vector<EntityState>& entities) // NOLINT: stands for the vector it holds
        : m_list(std::make_shared<EntityBuffer>(entities.data(), entities.size()))
    {
    }
    EntityList(std::initializer_list<EntityState> entities)
        : m_list(std::make_shared<EntityBuffer>(entities.begin(), entities.size()))
    {
    }
    // Shares `list`: whoever else holds it must not change it while a list shares it.
    explicit EntityList(std::shared_ptr<EntityBuffer> list) : m_list(std::move(list)) {}

    size_t size() const { return m_list ? m_list->size() : 0; }
    bool empty() const { return size() == 0; }
    const EntityState* data() const { return m_list ? m_list->data() : nullptr; }
    const EntityState* begin() const { return data(); }
    const EntityState* end() const { return data() + size(); }
    const EntityState* cbegin() const { return begin(); }
    const EntityState* cend() const { return end(); }
    const EntityState& operator[](size_t i) const { return data()[i]; }
    const EntityState& front() const { return data()[0]; }
    const EntityState& back() const { return data()[size() - 1]; }
    operator std::span<const EntityState>() const { return {data(), size()}; } // NOLINT: read as a span

    EntityState* data() { return Own().data(); }
    EntityState* begin() { return data(); }
    EntityState* end() { return data() + size(); }
    EntityState& operator[](size_t i) { return data()[i]; }
    EntityState& front() { return data()[0]; }
    EntityState& back() { return data()[size() - 1]; }
    void push_back(const EntityState& entity) { Own().emplace_back(entity); }
    template <class... Args> EntityState& emplace_back(Args&&... args)
    {
        return Own().emplace_back(std::forward<Args>(args)...);
    }
    void pop_back() { Own().pop_back(); }
    void reserve(size_t n) { Own().reserve(n); }
    void resize(size_t n) { Own().resize(n); }
    void clear() { m_list.reset(); }
    // The entities to change in place: the list's own from here on.
    EntityBuffer& Own()
    {
        if (!m_list)
            m_list = std::make_shared<EntityBuffer>();
        else if (m_list.use_count() > 1)
            m_list = std::make_shared<EntityBuffer>(*m_list);
        return *m_list;
    }

    friend bool operator==(const EntityList& a, const EntityList& b)
    {
        return std::equal(a.begin(), a.end(), b.begin(), b.end());
    }

private:
    std::shared_ptr<EntityBuffer> m_list;
};

struct PlayerState {
    std::array<uint32_t, kPlayerFieldCount> fields{};
    // The game sends stats, persistant and ammo as 16-bit values (kept sign-extended), powerups
    // as 32-bit ones.
    std::array<int32_t, kStateArraySize> stats{};
    std::array<int32_t, kStateArraySize> persistant{};
    std::array<int32_t, kStateArraySize> ammo{};
    std::array<int32_t, kStateArraySize> powerups{};

    uint32_t& operator[](PlayerField f) { return fields[static_cast<size_t>(f)]; }
    uint32_t operator[](PlayerField f) const { return fields[static_cast<size_t>(f)]; }
    bool operator==(const PlayerState&) const = default;
};

struct ServerCommand {
    int32_t sequence = 0;
    std::string text; // byte for byte, without the terminating zero
    bool operator==(const ServerCommand&) const = default;
};

struct GameState {
    int32_t serverCommandSequence = 0;
    // Configuration strings by index (0..1023), ascending, each index at most once.
    std::vector<std::pair<int, std::string>> configStrings;
    // Entity baselines, ascending by entity number.
    std::vector<EntityState> baselines;
    // Sent from protocol 66 on; older protocols have neither.
    std::optional<int32_t> clientNumber;
    std::optional<int32_t> checksumFeed;
    bool operator==(const GameState&) const = default;
};

struct Snapshot {
    int32_t serverTime = 0;
    // The client command sequence that protocols 43 and 45 send before the server time.
    std::optional<int32_t> clientCommandSequence;
    // How many messages back the snapshot this one was delta-coded from lies; 0: coded whole.
    uint8_t deltaNumber = 0;
    uint8_t snapFlags = 0;
    std::vector<uint8_t> areaMask; // at most kMaxAreaMaskBytes
    PlayerState player;
    // Every entity of the snapshot after the deltas, ascending by number.
    EntityList entities;
    // False when the snapshot was delta-coded from one the demo does not hold (any more): the game
    // reads it but does not show it.
    bool valid = true;
};

// One recorded server message.
struct DemoMessage {
    int32_t sequence = 0; // the message sequence number the demo stores before the message
    // The reliable acknowledge every message starts with from protocol 46 on.
    std::optional<int32_t> reliableAcknowledge;
    std::vector<ServerCommand> serverCommands; // in the order they came
    std::optional<GameState> gameState;
    std::optional<Snapshot> snapshot;
};

} // namespace core
