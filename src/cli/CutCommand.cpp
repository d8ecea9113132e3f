#include "cli/CutCommand.h"

#include <charconv>
#include <filesystem>
#include <iostream>

#include "core/archive/DemoFile.h"
#include "core/common/FileNames.h"
#include "core/common/FileWrite.h"
#include "core/convert/DemoClip.h"
#include "core/convert/DemoConversion.h"
#include "core/demo/DemoDecoder.h"

namespace cli {

namespace {

// The exit status of a demo that breaks off, as "events" uses it.
constexpr int kBrokeOff = 3;
constexpr const char* kUsage = "usage: velmora-cli cut --from T --to T IN OUT   (T: m:ss, m:ss.mmm or seconds)\n";
// More than any demo holds (about three years), and far from what the clock's numbers hold.
constexpr long long kMaxNumber = 100000000;

// Digits only (no sign), at most kMaxNumber.
std::optional<long long> Number(std::string_view text)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value > kMaxNumber)
        return std::nullopt;
    return value;
}

DemoTimeText Problem(std::string text)
{
    return {std::nullopt, std::move(text)};
}

} // namespace

DemoTimeText ParseDemoTime(std::string_view text)
{
    if (text.starts_with('-'))
        return Problem("a demo time cannot lie before the demo's start");
    long long minutes = 0;
    const size_t colon = text.find(':');
    if (colon != std::string_view::npos) {
        const auto m = Number(text.substr(0, colon));
        if (!m)
            return Problem("the minutes must be a number up to " + std::to_string(kMaxNumber));
        minutes = *m;
        text.remove_prefix(colon + 1);
    }
    long long millis = 0;
    if (const size_t dot = text.find('.'); dot != std::string_view::npos) {
        const std::string_view fraction = text.substr(dot + 1);
        if (fraction.empty() || fraction.size() > 3 || !Number(fraction))
            return Problem("the fraction of a second takes one to three digits");
        std::string padded(fraction);
        padded.resize(3, '0');
        millis = *Number(padded);
        text = text.substr(0, dot);
    }
    const auto seconds = Number(text);
    if (!seconds)
        return Problem("the seconds must be a number up to " + std::to_string(kMaxNumber));
    if (colon != std::string_view::npos && (text.size() != 2 || *seconds > 59))
        return Problem("the seconds after the minutes take two digits, 00 to 59");
    return {(minutes * 60 + *seconds) * 1000 + millis, {}};
}

int RunCut(const std::vector<std::string>& args)
{
    std::optional<long long> from, to;
    std::string fromText, toText;
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--from" || arg == "--to") {
            if (i + 1 == args.size()) {
                std::cerr << "velmora-cli cut: " << arg << " needs a time\n" << kUsage;
                return 2;
            }
            const std::string& value = args[++i];
            const DemoTimeText time = ParseDemoTime(value);
            if (!time.millis) {
                std::cerr << "velmora-cli cut: " << arg << " " << value << " is no demo time: " << time.problem << "\n";
                return 2;
            }
            (arg == "--from" ? from : to) = time.millis;
            (arg == "--from" ? fromText : toText) = value;
        } else if (arg.rfind("--", 0) == 0) {
            std::cerr << "velmora-cli cut: unknown option " << arg << "\n";
            return 2;
        } else {
            positional.push_back(arg);
        }
    }
    if (!from || !to) {
        std::cerr << "velmora-cli cut: both --from and --to are needed\n" << kUsage;
        return 2;
    }
    if (positional.size() != 2) {
        std::cerr << kUsage;
        return 2;
    }
    if (*to < *from) {
        std::cerr << "velmora-cli cut: the stretch ends before it begins: --from " << fromText << " lies after --to "
                  << toText << "\n";
        return 2;
    }
    const std::string& in = positional[0];
    std::error_code error;
    if (!std::filesystem::is_regular_file(in, error)) {
        std::cerr << "velmora-cli: cannot read " << in << "\n";
        return 1;
    }
    core::DemoBytes bytes = core::LoadDemoBytes(in, {});
    if (!bytes.found || bytes.memoryError) {
        std::cerr << "velmora-cli: cannot read " << in << "\n";
        return 1;
    }
    std::vector<uint8_t> clip;
    // The command line reads no configuration: an old demo is cut from its conversion for the
    // original game's data.
    const core::ClipResult result = core::CutDemo(bytes.data.span(), core::LowerExtension(in), *from, *to, clip,
                                                  core::GameDataForBaseFolder("baseq3"));
    if (!result.ok) {
        std::cerr << "velmora-cli: " << result.problem << "\n";
        return 1;
    }
    // An old demo's clip is a converted one; its name must say so, or no reader would take it.
    const std::string wanted = core::DemoExtensionOf(result.protocol);
    if (result.protocol != core::DemoProtocolOf(bytes.data.span(), core::LowerExtension(in)) &&
        core::LowerExtension(positional[1]) != wanted) {
        std::cerr << "velmora-cli: the clip is a protocol " << result.protocol << " demo; name it " << wanted << "\n";
        return 2;
    }
    const std::string_view contents(reinterpret_cast<const char*>(clip.data()), clip.size());
    if (!core::ReplaceFileContents(positional[1], contents)) {
        std::cerr << "velmora-cli: cannot write " << positional[1] << "\n";
        return 1;
    }
    std::cout << "Wrote " << positional[1] << ": " << result.snapshots << " snapshots from server time "
              << result.firstServerTime << "\n";
    if (!result.brokeOff.empty()) {
        std::cerr << "velmora-cli cut: " << in << ": " << result.brokeOff << ": the clip ends there\n";
        return kBrokeOff;
    }
    return 0;
}

} // namespace cli
