#include "core/convert/OldDemoConversion.h"

#include <utility>
#include <vector>

#include "core/convert/OldDemoConverter.h"
#include "core/demo/DemoDecoder.h"
#include "core/demo/DemoEncoder.h"

namespace core {
namespace {

// A print command stays below the game's command size with room to spare.
constexpr size_t kNoticeLimit = 900;

// Writes the converted messages. Two things are not known when a message is decoded: the client
// number a game state must carry (the old protocols send it only in the snapshots' player state),
// and whether a message is the last one, which carries the notice. So a game state waits for the
// first snapshot after it, and every message waits for the next.
class ConvertedWriter {
public:
    explicit ConvertedWriter(std::vector<uint8_t>& out) : m_encoder(out) {}

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

    // Writes what waits, the notice in the last message, and the end marker.
    bool Finish(const std::string& notice, int32_t noticeSequence)
    {
        for (DemoMessage& waiting : m_waiting)
            if (!Pass(waiting))
                return false;
        if (m_haveLast) {
            m_last.serverCommands.push_back({noticeSequence, "print \"" + notice + "\n\""});
            if (!Encode(m_last))
                return false;
        }
        m_encoder.Finish();
        return true;
    }

    EncodeError Error() const { return m_error; }
    int32_t ErrorSequence() const { return m_errorSequence; }

private:
    bool Pass(DemoMessage& message)
    {
        if (m_haveLast && !Encode(m_last))
            return false;
        std::swap(m_last, message);
        m_haveLast = true;
        return true;
    }

    bool Encode(const DemoMessage& message)
    {
        m_error = m_encoder.Add(message);
        m_errorSequence = message.sequence;
        return m_error == EncodeError::None;
    }

    DemoEncoder m_encoder;
    std::vector<DemoMessage> m_waiting;
    DemoMessage m_last;
    bool m_haveLast = false;
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

ConvertedDemo ConvertOldDemo(std::span<const uint8_t> demo, int protocol, int newProtocol, const TargetGameData& data)
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
    while (decoder.Next(message)) {
        converter.Convert(message);
        if (!writer.Add(message)) {
            result.failure = "message " + std::to_string(writer.ErrorSequence()) +
                             " could not be written: " + std::string(EncodeErrorText(writer.Error()));
            return result;
        }
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
    if (!writer.Finish(ConversionNotice(protocol, newProtocol, result.dropped), converter.LastCommandSequence() + 1)) {
        result.failure = "message " + std::to_string(writer.ErrorSequence()) +
                         " could not be written: " + std::string(EncodeErrorText(writer.Error()));
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace core
