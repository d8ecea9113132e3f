#include "core/convert/DemoClip.h"

#include <cstdio>

#include "core/archive/DemoFile.h"
#include "core/common/FileNames.h"
#include "core/common/FileWrite.h"
#include "core/convert/CheckedDecoder.h"
#include "core/convert/DemoConversion.h"
#include "core/convert/DemoCut.h"
#include "core/demo/DemoDecoder.h"
#include "core/demo/DemoEncoder.h"
#include "core/protocol/ProtocolTable.h"

namespace core {

namespace {

std::string MinutesSeconds(int64_t demoTime)
{
    const int64_t seconds = demoTime < 0 ? 0 : demoTime / 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%02lld.%02lld", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
    return text;
}

// A text that starts a message, with its first letter in capitals.
std::string Sentence(std::string text)
{
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z')
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

} // namespace

bool CanClipProtocol(int protocol)
{
    return (IsDecodableProtocol(protocol) && CanEncodeProtocol(protocol)) || CanConvert(protocol, kProtocol132);
}

ClipResult CutDemo(std::span<const uint8_t> data, std::string_view lowerExtension, int64_t from, int64_t to,
                   std::vector<uint8_t>& out, const TargetGameData& game, std::stop_token stop)
{
    ClipResult result;
    const int protocol = DemoProtocolOf(data, lowerExtension);
    if (!IsDecodableProtocol(protocol)) {
        result.problem = "The demo's protocol is not known.";
        return result;
    }
    if (!CanClipProtocol(protocol)) {
        result.problem = "Demos of protocol " + std::to_string(protocol) + " cannot be cut yet.";
        return result;
    }
    if (IsPlainDecodedProtocol(protocol)) {
        // The encoder writes only the Huffman-coded formats: an old demo is cut from its conversion.
        const ConvertedDemo converted = ConvertDemo(data, protocol, kProtocol132, game, stop);
        if (stop.stop_requested()) {
            result.problem = kClipStopped;
            return result;
        }
        if (!converted.ok) {
            result.problem = "The demo could not be converted to protocol 68: " + converted.failure + ".";
            return result;
        }
        return CutDemo(converted.bytes, DemoExtensionOf(kProtocol132), from, to, out, game, stop);
    }
    const size_t start = out.size();
    DemoEncoder encoder(out, protocol);
    EncodeError encodeError = EncodeError::None;
    DemoCut cut(from, to, [&encoder, &encodeError](const DemoMessage& message) {
        encodeError = encoder.Add(message);
        return encodeError == EncodeError::None;
    });
    // Read only as far as the game plays the demo: a message it would stop at never reaches a clip.
    CheckedDecoder decoder(data, protocol, false);
    DemoMessage message;
    bool cutDone = false;
    while (!cutDone && !stop.stop_requested() && decoder.Next(message))
        cutDone = !cut.Add(message);
    if (stop.stop_requested()) {
        out.resize(start);
        result.problem = kClipStopped;
        return result;
    }
    if (encodeError != EncodeError::None) {
        out.resize(start);
        result.problem = "The clip could not be written: " + std::string(EncodeErrorText(encodeError)) + ".";
        return result;
    }
    if (!cut.Started()) {
        out.resize(start);
        result.problem = decoder.Damaged() ? Sentence(decoder.Damage()) + ", before the stretch begins."
                                           : std::string("The demo ends before the stretch begins.");
        return result;
    }
    // A damaged demo gives the clip up to the damage: what the game would have shown of it.
    if (!cutDone)
        result.brokeOff = decoder.Damage();
    encoder.Finish();
    result.ok = true;
    result.firstServerTime = cut.FirstServerTime();
    result.firstDemoTime = cut.FirstDemoTime();
    result.snapshots = cut.Snapshots();
    result.protocol = protocol;
    return result;
}

std::string ClipFileName(std::string_view demoName, int64_t from, int64_t to, std::string_view extension)
{
    const size_t slash = demoName.find_last_of("/\\");
    std::string_view base = slash == std::string_view::npos ? demoName : demoName.substr(slash + 1);
    const std::string_view own = ExtensionOf(base);
    base.remove_suffix(own.size());
    return std::string(base) + "-" + MinutesSeconds(from) + "-" + MinutesSeconds(to) +
           std::string(extension.empty() ? own : extension);
}

ClipResult SaveClip(const std::string& name, const std::string& archive, int64_t from, int64_t to,
                    const TargetGameData& game, const std::filesystem::path& folder, std::filesystem::path& written,
                    std::stop_token stop)
{
    ClipResult result;
    DemoBytes bytes = LoadDemoBytes(name, archive);
    if (!bytes.found || bytes.memoryError) {
        result.problem = bytes.problem.empty() ? "The demo cannot be read." : bytes.problem;
        return result;
    }
    std::vector<uint8_t> clip;
    result = CutDemo(bytes.data.span(), LowerExtension(name), from, to, clip, game, stop);
    if (!result.ok)
        return result;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const bool converted = result.protocol != DemoProtocolOf(bytes.data.span(), LowerExtension(name));
    written = folder / ClipFileName(name, from, to, converted ? DemoExtensionOf(result.protocol) : std::string());
    const std::string_view contents(reinterpret_cast<const char*>(clip.data()), clip.size());
    if (!ReplaceFileContents(written, contents)) {
        result.ok = false;
        result.problem = "Could not save: " + written.string();
    }
    return result;
}

} // namespace core
