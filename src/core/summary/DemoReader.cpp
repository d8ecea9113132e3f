#include "core/summary/DemoReader.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/archive/DemoFile.h"
#include "core/common/FileNames.h"
#include "core/demo/DemoDecoder.h"
#include "core/events/DemoEventsLoad.h"
#include "core/events/PlayerFigures.h"
#include "core/protocol/ProtocolTable.h"
#include "core/row/DemoInfo.h"
#include "core/summary/DefragRuns.h"
#include "core/summary/DemoWalk.h"
#include "core/summary/PlayerTable.h"
#include "core/summary/QuakeLive.h"

namespace core {

std::string InfoValueIn(std::string_view key, std::string_view text)
{
    const std::string lowText = LowerCase(text);
    std::string wanted = LowerCase(key);
    wanted += '\\';
    const size_t at = lowText.find(wanted);
    if (at == std::string::npos)
        return "N/A";
    const size_t start = at + wanted.size();
    const size_t end = text.find('\\', start);
    if (end == std::string_view::npos)
        return {};
    return std::string(text.substr(start, end - start));
}

std::string InfoValueOf(const DemoState& demo, std::string_view key)
{
    return InfoValueIn(key, demo.infoString);
}

std::string_view GetTokenView(std::string_view text, int n)
{
    if (text.empty() || n < 0)
        return {};
    int token = 0;
    bool quoted = false;
    size_t start = 0;
    size_t i = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ' ' && !quoted) {
            if (token == n)
                break;
            ++token;
            start = i + 1;
        }
    }
    if (token != n)
        return {};
    std::string_view tok = text.substr(start, i - start);
    auto low = [](char c) { return static_cast<unsigned char>(c) < 35; };
    while (!tok.empty() && low(tok.front()))
        tok.remove_prefix(1);
    while (!tok.empty() && low(tok.back()))
        tok.remove_suffix(1);
    return tok;
}

std::string GetToken(std::string_view text, int n)
{
    return std::string(GetTokenView(text, n));
}

std::string CourseTimeText(int64_t milliseconds)
{
    // Whole seconds, halves to even; a negative difference (a level start after the current
    // time) is shown with a minus sign rather than wrapped round.
    const int64_t seconds = RoundHalfEven(static_cast<double>(milliseconds) / 1000.0);
    if (seconds < 0)
        return "-" + FormatSeconds(static_cast<uint32_t>(std::min<int64_t>(-seconds, UINT32_MAX)));
    return FormatSeconds(static_cast<uint32_t>(std::min<int64_t>(seconds, UINT32_MAX)));
}

namespace {

constexpr std::string_view kProtocolKey = "protocol\\";

// The server information text: the first zero-terminated string, from offset 12 on, that holds
// "protocol\". Returns false when there is none.
bool FindInfoText(std::span<const uint8_t> data, std::string& info)
{
    if (data.size() <= 12)
        return false;
    const char* begin = reinterpret_cast<const char*>(data.data());
    const std::string_view rest(begin + 12, data.size() - 12);
    const size_t hit = rest.find(kProtocolKey);
    if (hit == std::string_view::npos)
        return false;
    const size_t zeroBefore = rest.rfind('\0', hit);
    const size_t start = zeroBefore == std::string_view::npos ? 0 : zeroBefore + 1;
    size_t end = rest.find('\0', hit);
    if (end == std::string_view::npos)
        end = rest.size();
    info.assign(rest.substr(start, end - start));
    return true;
}

// A demo that ends without a score board (stopped before the end, recorded without a look at the
// scores) still tells who leads: by its frags and suicides, counted as the game counts them.
// Only then is the demo decoded completely; a demo without either keeps nobody ranked.
void RankByEvents(DemoState& demo, std::span<const uint8_t> data, std::string_view extension)
{
    if (demo.scoresSeen || demo.gameType == "N/A" || IsTeamGame(demo) || !IsDecodableProtocol(demo.protocol) ||
        (IsQuakeLiveProtocol(demo.protocol) && IsQuakeLiveRace(demo.gameType)))
        return;
    const std::vector<PlayerFigures> figures = PlayerFiguresOf(ReadDemoEvents(data, extension).events);
    if (std::none_of(figures.begin(), figures.end(), [](const PlayerFigures& f) { return f.deaths > 0; }))
        return;
    for (size_t client = 0; client < demo.players.size(); ++client) {
        Player& p = demo.players[client];
        if (p.name.empty() || p.team >= 3)
            continue;
        p.score = 0;
        p.rankPosition = static_cast<int32_t>(client);
    }
    for (const PlayerFigures& f : figures) {
        if (f.client < 0 || static_cast<size_t>(f.client) >= demo.players.size())
            continue;
        Player& p = demo.players[static_cast<size_t>(f.client)];
        if (!p.name.empty() && p.team < 3)
            p.score = f.frags - f.suicides - f.teamKills;
    }
    demo.scoresSeen = true;
}

void Finish(DemoState& demo, const std::string& infoText, bool infoFound, const DemoWalk& walk)
{
    // A demo that breaks off is not whole, whatever it held before the break.
    demo.whole = infoFound && walk.SystemInfoFound() && !demo.cutOff;
    demo.infoString = infoText + walk.SystemInfo() + "\\";
    if (IsDefragInfo(demo.infoString)) {
        DefragRun& run = demo.defrag ? *demo.defrag : demo.defrag.emplace();
        run.physics = DefragPhysics(demo.infoString);
    } else {
        demo.defrag.reset();
    }
    for (Player& p : demo.players)
        if (p.team == 3 && !p.forfeited)
            p.score.reset();
    SortPlayers(demo);
}

} // namespace

DemoState ReadDemo(std::span<const uint8_t> data, const ReadWishes& wishes)
{
    DemoState demo;
    demo.size = data.size();
    DemoWalk walk(demo, data, wishes.courseLog);

    std::string infoText;
    bool infoFound = false;
    if (!data.empty() && IsModernDemoExtension(wishes.extension)) {
        walk.RunModern();
        RankByEvents(demo, data, wishes.extension);
        Finish(demo, walk.ServerInfo(), walk.ServerInfoFound(), walk);
        return demo;
    }
    if (!data.empty() && FindInfoText(data, infoText)) {
        infoFound = true;
        demo.gameType = InfoValueIn("g_gametype", infoText + "\\");
        demo.protocol = ProtocolFromInfo(infoText);
        if (demo.protocol != 0) {
            demo.fieldsPerScoreEntry = ProtocolRules(demo.protocol).scoreEntryFields;
            walk.SetPlainInfo(infoText);
            walk.Run();
            RankByEvents(demo, data, wishes.extension);
        }
    }
    Finish(demo, infoText, infoFound, walk);
    return demo;
}

DemoState UnreadDemo()
{
    return ReadDemo({}, {});
}

namespace {

DemoRead ReadLoaded(const std::string& name, const DemoBytes& bytes, bool courseLogWish)
{
    if (bytes.memoryError)
        return Failure<ReadError>{ReadError::OutOfMemory, bytes.problem};
    if (!bytes.problem.empty())
        return Failure<ReadError>{ReadError::Refused, bytes.problem};
    if (!bytes.found)
        return Failure<ReadError>{ReadError::Missing, {}};
    ReadWishes wishes;
    wishes.courseLog = courseLogWish;
    const std::string extension = LowerExtension(name);
    wishes.extension = extension;
    DemoState demo = ReadDemo(bytes.data.span(), wishes);
    demo.size = bytes.size;
    demo.recorded = bytes.dosDateTime;
    return demo;
}

} // namespace

DemoRead LoadDemo(const std::string& name, const std::string& archive, bool courseLogWish)
{
    return ReadLoaded(name, LoadDemoBytes(name, archive), courseLogWish);
}

DemoRead LoadDemoMember(const std::string& name, const std::string& archive, const MemberPlace& place,
                        bool courseLogWish)
{
    return ReadLoaded(name, LoadMemberBytes(archive, name, place), courseLogWish);
}

} // namespace core
