#include "core/events/DemoEventsLoad.h"

#include "core/archive/DemoFile.h"
#include "core/common/FileNames.h"
#include "core/demo/DemoDecoder.h"
#include "core/events/DemoEvents.h"
#include "core/events/EventCollector.h"

namespace core {

DemoEventsResult ReadDemoEvents(std::span<const uint8_t> data, std::string_view lowerExtension, bool withStatistics)
{
    DemoEventsResult result;
    result.found = true;
    result.protocol = DemoProtocolOf(data, lowerExtension);
    if (!IsDecodableProtocol(result.protocol)) {
        result.problem = "unknown protocol";
        result.error = DecodeError::UnknownProtocol;
        return result;
    }
    // Message by message: a snapshot holds every entity, a whole demo of them would not fit.
    DemoDecoder decoder(data, result.protocol);
    EventCollector collector(result.protocol);
    std::optional<MatchStatisticsCollector> statistics;
    if (withStatistics)
        statistics.emplace(result.protocol);
    DemoMessage message;
    while (decoder.Next(message)) {
        CollectMessage(collector, message);
        if (statistics)
            CollectStatistics(*statistics, message);
    }
    if (statistics)
        result.statistics = statistics->Finish();
    result.error = decoder.Error();
    if (result.error != DecodeError::None)
        result.problem = std::string(DecodeErrorText(result.error));
    result.messages = decoder.MessageCount();
    result.length = collector.DemoLength();
    result.firstServerTime = collector.FirstServerTime();
    result.levelStartServerTime = collector.LevelStartServerTime();
    result.events = collector.Finish();
    return result;
}

DemoEventsResult LoadDemoEvents(const std::string& name, const std::string& archive, bool withStatistics)
{
    DemoBytes bytes = LoadDemoBytes(name, archive);
    if (!bytes.found || bytes.memoryError) {
        DemoEventsResult result;
        result.problem = bytes.problem.empty() ? "cannot be read" : bytes.problem;
        return result;
    }
    return ReadDemoEvents(bytes.data.span(), LowerExtension(name), withStatistics);
}

} // namespace core
