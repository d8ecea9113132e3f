#pragma once
// The events of a decoded demo: frags, suicides, flags, match and round phases, chat, players
// coming, going and changing teams.
#include <span>
#include <vector>

#include "core/demo/DemoMessage.h"
#include "core/events/DemoEvent.h"

namespace core {

struct DecodedDemo;

// Pure: the same messages give the same events, on any thread.
std::vector<DemoEvent> DemoEvents(const DecodedDemo& demo);
std::vector<DemoEvent> DemoEvents(std::span<const DemoMessage> messages, int protocol);

class EventCollector;
// Hands one decoded message to a collector: its game state, its server commands, its snapshot.
// For walks that decode message by message and keep none.
void CollectMessage(EventCollector& collector, const DemoMessage& message);

} // namespace core
