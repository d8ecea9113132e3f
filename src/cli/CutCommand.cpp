#include "cli/CutCommand.h"

#include <charconv>
#include <filesystem>
#include <iostream>

#include "core/analysis/DemoFile.h"
#include "core/app/FileWrite.h"
#include "core/common/FileNames.h"
#include "core/convert/DemoConversion.h"
#include "core/demo/DemoDecoder.h"
#include "core/events/DemoClip.h"

namespace cli {

namespace {

// Digits only, within what a demo's clock can hold.
std::optional<long long> Number(std::string_view text)
{
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty() || value < 0 || value > 100000000)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<long long> ParseDemoTime(std::string_view text)
{
    long long minutes = 0;
    if (const size_t colon = text.find(':'); colon != std::string_view::npos) {
        const auto m = Number(text.substr(0, colon));
        if (!m)
            return std::nullopt;
        minutes = *m;
        text.remove_prefix(colon + 1);
    }
    long long millis = 0;
    if (const size_t dot = text.find('.'); dot != std::string_view::npos) {
        std::string fraction(text.substr(dot + 1));
        if (fraction.empty() || fraction.size() > 3)
            return std::nullopt;
        fraction.resize(3, '0');
        const auto f = Number(fraction);
        if (!f)
            return std::nullopt;
        millis = *f;
        text = text.substr(0, dot);
    }
    const auto seconds = Number(text);
    if (!seconds)
        return std::nullopt;
    return (minutes * 60 + *seconds) * 1000 + millis;
}

int RunCut(const std::vector<std::string>& args)
{
    std::optional<long long> from, to;
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        if ((args[i] == "--from" || args[i] == "--to") && i + 1 < args.size()) {
            const auto time = ParseDemoTime(args[i + 1]);
            if (!time) {
                std::cerr << "velmora-cli cut: not a time: " << args[i + 1] << "\n";
                return 2;
            }
            (args[i] == "--from" ? from : to) = time;
            ++i;
        } else if (args[i].rfind("--", 0) == 0) {
            std::cerr << "velmora-cli cut: unknown option " << args[i] << "\n";
            return 2;
        } else {
            positional.push_back(args[i]);
        }
    }
    if (positional.size() != 2 || !from || !to || *to < *from) {
        std::cerr << "usage: velmora-cli cut --from T --to T IN OUT   (T: m:ss, m:ss.mmm or seconds)\n";
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
    const core::ClipResult result = core::CutDemo(bytes.data.span(), core::LowerExtension(in), *from, *to, clip);
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
    return 0;
}

} // namespace cli
