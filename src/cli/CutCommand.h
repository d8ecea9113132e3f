#pragma once
// velmora-cli cut --from T --to T IN OUT: a stretch of a demo as a demo file of its own.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

int RunCut(const std::vector<std::string>& args);

// A demo time from the command line: "m:ss", "m:ss.mmm" or seconds ("75", "75.5"), in
// milliseconds; or why the text is no time ("the seconds after the minutes go up to 59").
struct DemoTimeText {
    std::optional<long long> millis;
    std::string problem;
};
DemoTimeText ParseDemoTime(std::string_view text);

} // namespace cli
