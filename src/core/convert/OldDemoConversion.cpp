#include "core/convert/OldDemoConversion.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "core/convert/OldDemoConverter.h"
#include "core/demo/DemoDecoder.h"
#include "core/demo/DemoEncoder.h"

namespace core {
namespace {

// A print command stays below the game's command size with room to spare.
constexpr size_t kNoticeLimit = 900;

// Writes the converted messages. The client number a game state must carry is not known when it
// is decoded (the old protocols send it only in the snapshots' player state): a game state waits
// for the first snapshot after it.
//
// The notice goes into the message after the first game state, where the game shows it as the demo
// begins; what it says is known only at the end. So that message is coded again at the end with
// the notice and put in place of its first coding: its snapshot is coded against the game state's
// message alone, and what follows is coded against its contents, which the notice leaves alone.
// The notice takes the number of the game state's last server command, and the game state counts
// one less: the game runs the commands after that count, and a command of that number coming
// again later is one the game would pass over anyway.
class ConvertedWriter {
public:
    explicit ConvertedWriter(std::vector<uint8_t>& out) : m_out(out), m_encoder(out) {}

    bool Add(DemoMessage& message)
    {
        if (m_waiting.empty() && !(message.gameState && !message.snapshot))
            return Pass(message);
        if (message.snapshot) {
            const auto client = static_cast<int32_t>(message.snapshot->player[PlayerField::ClientNum]);
            for (DemoMessage& waiting : m_waiting)
                if (waiting.gameState && !waiting.gameState->clientNumber)
                    waiting.gameState->clientNumber = client;
            if (message.gameState && !message.gameState->clientNumber)
                message.gameState->clientNumber = client;
            for (DemoMessage& waiting : m_waiting)
                if (!Pass(waiting))
                    return false;
            m_waiting.clear();
            return Pass(message);
        }
        m_waiting.push_back(message);
        return true;
    }

    // Writes what waits, the notice, and the end marker.
    bool Finish(const std::string& notice)
    {
        for (DemoMessage& waiting : m_waiting)
            if (!Pass(waiting))
                return false;
        if (m_noticeSlot == Slot::Taken && !PutNotice(notice))
            return false;
        m_encoder.Finish();
        return true;
    }

    EncodeError Error() const { return m_error; }
    int32_t ErrorSequence() const { return m_errorSequence; }

private:
    enum class Slot { BeforeGameState, Next, Taken };

    bool Pass(DemoMessage& message)
    {
        if (m_noticeSlot == Slot::BeforeGameState && message.gameState) {
            m_noticeSequence = message.gameState->serverCommandSequence;
            --message.gameState->serverCommandSequence;
            if (!Encode(message))
                return false;
            m_gameStateMessage = message;
            m_noticeSlot = Slot::Next;
            return true;
        }
        if (m_noticeSlot != Slot::BeforeGameState)
            std::erase_if(message.serverCommands,
                          [this](const ServerCommand& command) { return command.sequence == m_noticeSequence; });
        if (m_noticeSlot != Slot::Next)
            return Encode(message);
        m_slotStart = m_out.size();
        if (!Encode(message))
            return false;
        m_slotEnd = m_out.size();
        m_slotMessage = message;
        m_noticeSlot = Slot::Taken;
        return true;
    }

    bool PutNotice(const std::string& notice)
    {
        m_slotMessage.serverCommands.insert(m_slotMessage.serverCommands.begin(),
                                            {m_noticeSequence, "print \"" + notice + "\n\""});
        std::vector<uint8_t> coded;
        DemoEncoder encoder(coded);
        m_error = encoder.Add(m_gameStateMessage);
        const size_t start = coded.size();
        if (m_error == EncodeError::None)
            m_error = encoder.Add(m_slotMessage);
        m_errorSequence = m_slotMessage.sequence;
        if (m_error != EncodeError::None)
            return false;
        const auto at = m_out.begin() + static_cast<std::ptrdiff_t>(m_slotStart);
        m_out.erase(at, m_out.begin() + static_cast<std::ptrdiff_t>(m_slotEnd));
        m_out.insert(m_out.begin() + static_cast<std::ptrdiff_t>(m_slotStart),
                     coded.begin() + static_cast<std::ptrdiff_t>(start), coded.end());
        return true;
    }

    bool Encode(const DemoMessage& message)
    {
        m_error = m_encoder.Add(message);
        m_errorSequence = message.sequence;
        return m_error == EncodeError::None;
    }

    std::vector<uint8_t>& m_out;
    DemoEncoder m_encoder;
    std::vector<DemoMessage> m_waiting;
    Slot m_noticeSlot = Slot::BeforeGameState;
    int32_t m_noticeSequence = 0;
    DemoMessage m_gameStateMessage;
    DemoMessage m_slotMessage;
    size_t m_slotStart = 0, m_slotEnd = 0;
    EncodeError m_error = EncodeError::None;
    int32_t m_errorSequence = 0;
};

} // namespace

std::string ConversionNotice(int protocol, int newProtocol, const std::vector<std::string>& dropped)
{
    std::string notice = "^3Converted from protocol " + std::to_string(protocol) + " to " + std::to_string(newProtocol);
    if (dropped.empty())
        return notice + "; nothing was left out.";
    notice += "; left out, without a counterpart in 1.32:";
    const char* separator = " ";
    for (const std::string& line : dropped) {
        notice += separator + line;
        separator = "; ";
    }
    if (notice.size() > kNoticeLimit)
        notice = notice.substr(0, kNoticeLimit - 3) + "...";
    // The notice travels inside a quoted console text.
    for (char& c : notice)
        if (c == '"')
            c = '\'';
    return notice + ".";
}

ConvertedDemo ConvertOldDemo(std::span<const uint8_t> demo, int protocol, int newProtocol, const TargetGameData& data,
                             std::stop_token stop)
{
    ConvertedDemo result;
    if (!IsDecodableProtocol(protocol)) {
        result.failure = "demos of protocol " + std::to_string(protocol) + " cannot be decoded";
        return result;
    }
    // The converted demo is about as long as the old one: Huffman coding outweighs 1.32's fuller
    // score commands.
    result.bytes.reserve(demo.size() + demo.size() / 4);
    DemoDecoder decoder(demo, protocol);
    OldDemoConverter converter(protocol, newProtocol, data);
    ConvertedWriter writer(result.bytes);
    DemoMessage message;
    while (!stop.stop_requested() && decoder.Next(message)) {
        converter.Convert(message);
        if (!writer.Add(message)) {
            result.failure = "message " + std::to_string(writer.ErrorSequence()) +
                             " could not be written: " + std::string(EncodeErrorText(writer.Error()));
            return result;
        }
    }
    if (stop.stop_requested()) {
        result.bytes = {};
        result.failure = kConversionStopped;
        return result;
    }
    if (decoder.Error() != DecodeError::None) {
        result.failure = "the demo could not be decoded at byte " + std::to_string(decoder.ErrorOffset()) + " (" +
                         std::string(DecodeErrorText(decoder.Error())) + ")";
        return result;
    }
    if (decoder.MessageCount() == 0) {
        result.failure = "the demo holds no message";
        return result;
    }
    if (converter.GameStates() == 0) {
        // The game's client plays nothing before a game state.
        result.failure = "the demo holds no game state";
        return result;
    }
    result.dropped = converter.Dropped();
    if (!writer.Finish(ConversionNotice(protocol, newProtocol, result.dropped))) {
        result.failure = "message " + std::to_string(writer.ErrorSequence()) +
                         " could not be written: " + std::string(EncodeErrorText(writer.Error()));
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace core
