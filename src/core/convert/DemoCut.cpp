#include "core/convert/DemoCut.h"

#include <charconv>
#include <string_view>

#include "core/protocol/WireLimits.h"

namespace core {

namespace {

// "cs 12 \"text\"" and the "bcs" pieces: the index and the quoted text.
bool IndexAndText(std::string_view command, int& index, std::string_view& text)
{
    const size_t space = command.find(' ');
    if (space == std::string_view::npos)
        return false;
    std::string_view rest = command.substr(space + 1);
    const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), index);
    if (ec != std::errc() || index < 0 || index >= kMaxConfigStrings)
        return false;
    rest.remove_prefix(static_cast<size_t>(end - rest.data()));
    const size_t open = rest.find('"');
    const size_t close = rest.rfind('"');
    if (open == std::string_view::npos || close <= open)
        return false;
    text = rest.substr(open + 1, close - open - 1);
    return true;
}

} // namespace

DemoCut::DemoCut(int64_t fromDemoTime, int64_t toDemoTime, Sink sink)
    : m_from(fromDemoTime), m_to(toDemoTime), m_sink(std::move(sink))
{
}

void DemoCut::ApplyCommand(const ServerCommand& command)
{
    m_lastCommandSequence = command.sequence;
    const std::string_view text = command.text;
    const std::string_view word = text.substr(0, text.find(' '));
    int index = 0;
    std::string_view value;
    if (word == "cs") {
        if (IndexAndText(text, index, value))
            m_configStrings[index].assign(value);
    } else if (word == "bcs0") {
        if (IndexAndText(text, index, value))
            m_bigConfigString.assign(value.substr(0, kMaxBigConfigStringBytes));
    } else if (word == "bcs1" || word == "bcs2") {
        if (IndexAndText(text, index, value) && m_bigConfigString.size() < kMaxBigConfigStringBytes)
            m_bigConfigString.append(value.substr(0, kMaxBigConfigStringBytes - m_bigConfigString.size()));
        if (word == "bcs2" && IndexAndText(text, index, value)) {
            m_configStrings[index] = std::move(m_bigConfigString);
            m_bigConfigString.clear();
        }
    }
}

bool DemoCut::StartWith(const DemoMessage& message)
{
    const Snapshot& snapshot = *message.snapshot;
    DemoMessage keyFrame;
    keyFrame.sequence = message.sequence - 1;
    keyFrame.reliableAcknowledge = message.reliableAcknowledge;
    GameState& state = keyFrame.gameState.emplace();
    state.serverCommandSequence = m_lastCommandSequence;
    state.clientNumber = m_gameState->clientNumber;
    state.checksumFeed = m_gameState->checksumFeed;
    state.configStrings.assign(m_configStrings.begin(), m_configStrings.end());
    // The entities as they are now become the baselines; the others keep theirs, so that an
    // entity coming into view later is coded against what the game already knows of it.
    std::map<int, const EntityState*> baselines;
    for (const EntityState& entity : m_gameState->baselines)
        baselines[entity.number] = &entity;
    for (const EntityState& entity : snapshot.entities)
        baselines[entity.number] = &entity;
    state.baselines.reserve(baselines.size());
    for (const auto& [number, entity] : baselines)
        state.baselines.push_back(*entity);
    m_started = true;
    m_firstServerTime = snapshot.serverTime;
    if (!m_sink(keyFrame))
        return false;
    return true;
}

bool DemoCut::Add(const DemoMessage& message)
{
    if (m_done)
        return false;
    if (message.gameState) {
        if (m_started) {
            // A new map inside the stretch: the cut ends with the old one.
            m_done = true;
            return false;
        }
        m_gameState = message.gameState;
        m_configStrings.clear();
        for (const auto& [index, text] : message.gameState->configStrings)
            m_configStrings[index] = text;
        m_lastCommandSequence = message.gameState->serverCommandSequence;
        m_bigConfigString.clear();
    }
    const bool shown = message.snapshot && message.snapshot->valid;
    const int64_t demoTime = shown ? m_clock.Advance(message.snapshot->serverTime) : m_clock.Now();
    if (!m_started) {
        if (shown && m_gameState && demoTime >= m_from) {
            m_firstDemoTime = demoTime;
            if (!StartWith(message)) {
                m_failed = m_done = true;
                return false;
            }
        } else {
            for (const ServerCommand& command : message.serverCommands)
                ApplyCommand(command);
            return true;
        }
    } else if (shown && demoTime > m_to) {
        m_done = true;
        return false;
    }
    // The key frame's own message and those after it go out as they are; the encoder codes each
    // snapshot afresh against the one it wrote before.
    DemoMessage copy;
    copy.sequence = message.sequence;
    copy.reliableAcknowledge = message.reliableAcknowledge;
    copy.serverCommands = message.serverCommands;
    if (message.snapshot && message.snapshot->valid)
        copy.snapshot = message.snapshot;
    if (copy.snapshot)
        ++m_snapshots;
    if (!copy.snapshot && copy.serverCommands.empty())
        return true;
    if (!m_sink(copy)) {
        m_failed = m_done = true;
        return false;
    }
    return true;
}

} // namespace core
