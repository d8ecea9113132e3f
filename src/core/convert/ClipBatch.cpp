#include "core/convert/ClipBatch.h"

#include <algorithm>

#include "core/archive/DemoFile.h"
#include "core/common/FileNames.h"
#include "core/common/FileWrite.h"
#include "core/demo/DemoDecoder.h"
#include "platform/FileSystem.h"

namespace core {

ClipOrder ClipAround(std::string name, std::string archive, int64_t start, int64_t end, int beforeSeconds,
                     int afterSeconds)
{
    const int64_t before = std::clamp(beforeSeconds, 0, 600) * int64_t{1000};
    const int64_t after = std::clamp(afterSeconds, 0, 600) * int64_t{1000};
    return {std::move(name), std::move(archive), std::max<int64_t>(0, start - before), std::max(start, end) + after};
}

ClipResult SaveNewClip(const std::string& name, const std::string& archive, int64_t from, int64_t to,
                       const TargetGameData& game, const std::filesystem::path& folder, std::filesystem::path& written,
                       bool& kept, std::stop_token stop)
{
    kept = false;
    ClipResult result;
    DemoBytes bytes = LoadDemoBytes(name, archive);
    if (!bytes.found || bytes.memoryError) {
        result.problem = bytes.problem.empty() ? "The demo cannot be read." : bytes.problem;
        return result;
    }
    const std::string extension = LowerExtension(name);
    const int protocol = DemoProtocolOf(bytes.data.span(), extension);
    std::vector<uint8_t> clip;
    result = CutDemo(bytes.data.span(), extension, from, to, clip, game, stop);
    if (!result.ok)
        return result;
    const bool converted = result.protocol != protocol;
    written = folder / ClipFileName(name, from, to, converted ? DemoExtensionOf(result.protocol) : std::string());
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const std::string_view contents(reinterpret_cast<const char*>(clip.data()), clip.size());
    if (platform::WriteNewFile(written.string(), contents))
        return result;
    std::string there;
    if (platform::Exists(written.string())) {
        // The same moment saved before: that file is this clip.
        kept = platform::IsRegularFile(written.string()) && ReadFileContents(written, there) && there == contents;
        if (!kept) {
            result.ok = false;
            result.problem = written.filename().string() + " is there already";
        }
        return result;
    }
    result.ok = false;
    result.problem = "Could not save: " + written.string();
    return result;
}

ClipBatchResult SaveClips(const std::vector<ClipOrder>& orders, const TargetGameData& game,
                          const std::filesystem::path& folder,
                          const std::function<void(size_t done, size_t total)>& progress, std::stop_token stop)
{
    ClipBatchResult batch;
    for (size_t i = 0; i < orders.size(); ++i) {
        if (stop.stop_requested()) {
            batch.stopped = true;
            break;
        }
        if (progress)
            progress(i, orders.size());
        const ClipOrder& order = orders[i];
        ClipOutcome outcome;
        const ClipResult clip = SaveNewClip(order.name, order.archive, order.from, order.to, game, folder, outcome.file,
                                            outcome.kept, stop);
        if (!clip.ok && stop.stop_requested() && clip.problem == kClipStopped) {
            // Cut short inside the clip: nothing of it was written, and it is no failure.
            batch.stopped = true;
            break;
        }
        outcome.ok = clip.ok;
        outcome.problem = clip.problem;
        outcome.brokeOff = clip.brokeOff;
        if (outcome.file.empty())
            outcome.file = folder / ClipFileName(order.name, order.from, order.to);
        batch.written += clip.ok && !outcome.kept ? 1 : 0;
        batch.kept += outcome.kept ? 1 : 0;
        batch.outcomes.push_back(std::move(outcome));
    }
    return batch;
}

} // namespace core
