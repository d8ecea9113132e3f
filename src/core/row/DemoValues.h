#pragma once
// Values of a demo that the reader, the list rows and the library index share as numbers: a
// score and the user's rating. Each becomes a text only where it is shown or written to a file.
#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace core {

// A run of the DeFRaG mod as a defrag demo tells it. Only demos of that mod have one.
struct DefragRun {
    std::string physics;                 // "vq3" or "cpm"; empty when the server did not say
    std::optional<int64_t> milliseconds; // the fastest finish the demo holds; none without a finish
    std::string player;                  // who finished it, colour codes kept
    bool operator==(const DefragRun&) const = default;
};

// "m:ss.mmm" of a run's time ("0:25.488", "12:03.007").
inline std::string RunTimeText(int64_t milliseconds)
{
    const int64_t minutes = milliseconds / 60000, seconds = milliseconds / 1000 % 60, rest = milliseconds % 1000;
    std::string text = std::to_string(minutes) + ":";
    text += static_cast<char>('0' + seconds / 10);
    text += static_cast<char>('0' + seconds % 10);
    text += '.';
    text += static_cast<char>('0' + rest / 100);
    text += static_cast<char>('0' + rest / 10 % 10);
    text += static_cast<char>('0' + rest % 10);
    return text;
}

// A score, or none (a spectator, a player never on a board).
using Score = std::optional<int32_t>;

// "N/A" for none, else the number.
inline std::string ScoreText(Score score)
{
    return score ? std::to_string(*score) : "N/A";
}

// The user's rating of a demo, or none.
using Rating = std::optional<int64_t>;

// The rating a description file's text holds: a whole decimal number, nothing else around it.
inline Rating RatingOf(std::string_view text)
{
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace core
