// Moments across the library: the index's answer to each kind of moment search against a filter
// over the decoded events of every corpus demo, the terms as read, and frags in the air and
// multi-frags at the edges of their rules on demos made for them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <tuple>

#include "core/events/DemoEventsLoad.h"
#include "core/index/EventStore.h"
#include "core/index/IndexUpdater.h"
#include "core/index/LibraryIndex.h"
#include "core/index/Moments.h"
#include "support/DemoBuilder.h"
#include "support/MomentDemo.h"
#include "support/ScratchDir.h"

using namespace core;
using testsupport::FragAt;
using testsupport::MomentDemoPlan;
using testsupport::PlaceAt;

namespace {

// What tells two found moments apart.
using Key = std::tuple<std::string, int64_t, int64_t, std::string, std::string, std::string, int>;

Key KeyOf(const std::string& demo, MomentKind kind, int64_t from, int64_t to, const std::string& player,
          const std::string& other, int frags)
{
    return {demo, from, to, std::string(MomentKindName(kind)), player, other, frags};
}

bool NameHas(const std::string& name, const std::vector<std::string>& terms)
{
    const std::string plain = SearchText(name, TextCoding::Latin1);
    return terms.empty() || std::any_of(terms.begin(), terms.end(),
                                        [&](const std::string& term) { return plain.find(term) != std::string::npos; });
}

// The moments of one demo's events as the search language describes them, worked out the long way.
std::vector<Key> Filter(const std::string& demo, const std::vector<DemoEvent>& events, const MomentQuery& q)
{
    std::vector<Key> found;
    const auto fragCounts = [&](const DemoEvent& e) {
        return NameHas(e.otherName, q.of) && (!q.air || (e.otherPlace && e.otherPlace->airborne)) &&
               (q.causes.empty() || std::find(q.causes.begin(), q.causes.end(), e.cause) != q.causes.end());
    };
    for (const DemoEvent& e : events) {
        const bool byOk = NameHas(e.kind == EventKind::Suicide ? e.otherName : e.playerName, q.by) &&
                          (q.by.empty() || (e.kind == EventKind::Suicide ? e.other : e.player) >= 0);
        MomentKind kind;
        if (e.kind == EventKind::Frag && q.SingleFrags() && fragCounts(e))
            kind = MomentKind::Frag;
        else if (e.kind == EventKind::Suicide && q.suicides)
            kind = MomentKind::Suicide;
        else if (e.kind == EventKind::FlagCaptured && q.captures)
            kind = MomentKind::Capture;
        else if ((e.kind == EventKind::Chat || e.kind == EventKind::TeamChat) && !q.says.empty() &&
                 NameHas(e.text, q.says))
            kind = e.kind == EventKind::Chat ? MomentKind::Chat : MomentKind::TeamChat;
        else
            continue;
        if (byOk)
            found.push_back(KeyOf(demo, kind, e.demoTime, e.demoTime, e.player >= 0 ? e.playerName : "",
                                  e.other >= 0 ? e.otherName : "", 1));
    }
    const auto addRun = [&](MomentKind kind, const std::vector<const DemoEvent*>& run) {
        if (NameHas(run.back()->playerName, q.by))
            found.push_back(KeyOf(demo, kind, run.front()->demoTime, run.back()->demoTime, run.back()->playerName,
                                  run.size() == 1 ? run.front()->otherName : "", static_cast<int>(run.size())));
    };
    if (q.multi) {
        std::map<int, std::vector<const DemoEvent*>> frags;
        for (const DemoEvent& e : events)
            if (e.kind == EventKind::Frag && !e.teamKill && e.player >= 0 && fragCounts(e))
                frags[e.player].push_back(&e);
        const size_t n = static_cast<size_t>(q.multi->frags);
        for (const auto& [client, list] : frags) {
            // Every window of n frags within the time, windows sharing a frag joined.
            std::vector<std::pair<size_t, size_t>> joined;
            for (size_t i = 0; i + n <= list.size(); ++i) {
                if (list[i + n - 1]->demoTime - list[i]->demoTime > int64_t{q.multi->seconds} * 1000)
                    continue;
                if (!joined.empty() && joined.back().second >= i)
                    joined.back().second = i + n - 1;
                else
                    joined.emplace_back(i, i + n - 1);
            }
            for (const auto& [first, last] : joined)
                addRun(MomentKind::MultiFrag,
                       {list.begin() + static_cast<ptrdiff_t>(first), list.begin() + static_cast<ptrdiff_t>(last) + 1});
        }
    }
    if (q.spree) {
        std::map<int, std::vector<const DemoEvent*>> runs;
        const auto end = [&](int client) {
            if (runs[client].size() >= static_cast<size_t>(*q.spree))
                addRun(MomentKind::Spree, runs[client]);
            runs[client].clear();
        };
        for (const DemoEvent& e : events) {
            if (e.kind == EventKind::GameStart)
                for (auto& [client, run] : runs)
                    end(client);
            if (e.kind == EventKind::PlayerLeft && e.player >= 0)
                end(e.player);
            if (e.kind != EventKind::Frag && e.kind != EventKind::Suicide)
                continue;
            if (e.other >= 0)
                end(e.other);
            if (e.kind == EventKind::Frag && e.player >= 0) {
                if (e.teamKill)
                    end(e.player);
                else
                    runs[e.player].push_back(&e);
            }
        }
        for (auto& [client, run] : runs)
            end(client);
    }
    return found;
}

std::vector<Key> KeysOf(const MomentResult& result)
{
    std::vector<Key> keys;
    for (const Moment& m : result.moments)
        keys.push_back(
            KeyOf(m.row[FieldDemoname], m.kind, m.demoTime, m.endDemoTime, m.playerName, m.otherName, m.frags));
    return keys;
}

// The index over the folders, made the way the window makes it.
void IndexFolders(LibraryIndex& index, const std::filesystem::path& database, const std::filesystem::path& root)
{
    ASSERT_EQ(index.Open(database), IndexStatus::Ok);
    IndexUpdateOptions options;
    const IndexUpdateResult result = UpdateLibraryIndex(index, FolderAndSubfolders(root.string()), options);
    ASSERT_EQ(result.status, IndexStatus::Ok) << result.message;
}

TEST(MomentSearch, EveryKindAndCombinationAgreesWithAFilterOverTheCorpusEvents)
{
    const std::filesystem::path corpus = VELMORA_CORPUS_DIR;
    if (corpus.empty() || !std::filesystem::is_directory(corpus))
        GTEST_SKIP() << "no corpus";
    testsupport::ScratchDir scratch;
    LibraryIndex index;
    IndexFolders(index, scratch.path() / "index.sqlite", corpus);
    const SearchResult all = index.Search(ParseSearchQuery(""));
    ASSERT_EQ(all.status, IndexStatus::Ok);
    std::map<std::string, std::vector<DemoEvent>> eventsOf; // by demo name
    size_t events = 0;
    for (const DemoInfo& row : all.rows) {
        DemoEventsResult read = LoadDemoEvents(row[FieldLocation] + "/" + row[FieldDemoname], {});
        events += read.events.size();
        eventsOf[row[FieldDemoname]] = std::move(read.events);
    }
    ASSERT_GE(eventsOf.size(), 11u);
    EXPECT_EQ(index.EventCount(), events);

    struct Case {
        std::string search;
        size_t atLeast; // so that no case passes by finding nothing on both sides
    };
    const std::vector<Case> cases{
        {"frag", 150},
        {"frags by:toxjq", 10},
        {"frag by:za", 5}, // shorter than the name index reads: compared row by row
        {"of:TERIFIRE", 5},
        {"frag weapon:rocket", 50},
        {"frag weapon:rail|lg", 50},
        {"weapon:mod_rocket_splash", 10},
        {"air", 5},
        {"frag air weapon:rocket,grenade", 2},
        {"suicide", 1},
        {"suicide by:zero4", 0},
        {"capture", 0},
        {"say:gg", 5},
        {"say:\"g\"", 10},
        {"multi:2/5", 10},
        {"multi:3/20", 5},
        {"multi:2/5 by:fatal", 2},
        {"multi:2/20 weapon:rail", 3},
        {"spree:5", 3},
        {"spree:3 by:mejtisson", 1},
        {"frag capture say:gg", 150},
        {"frag by:toxjq multi:2/5 spree:4", 10},
        {"frag map:campgrounds", 50},
        {"spree:3 map:hektik,sinister", 2},
        {"frag type:\"clan arena\"", 50},
        {"say:gg player:zorak", 2},
        {"frag after:2030-01-01", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.search);
        const SearchQuery query = ParseSearchQuery(c.search);
        ASSERT_TRUE(query.errors.empty()) << query.errors.front();
        ASSERT_TRUE(IsMomentSearch(query));
        // The demo terms choose the demos, as a demo search does.
        SearchQuery demos = query;
        demos.moments = {};
        std::set<std::string> chosen;
        for (const DemoInfo& row : index.Search(demos).rows)
            chosen.insert(row[FieldDemoname]);
        std::vector<Key> expected;
        for (const auto& [demo, list] : eventsOf)
            if (chosen.contains(demo))
                for (Key& key : Filter(demo, list, query.moments))
                    expected.push_back(std::move(key));
        const MomentResult result = SearchMoments(index, query);
        ASSERT_EQ(result.status, IndexStatus::Ok) << result.message;
        EXPECT_FALSE(result.more);
        std::vector<Key> found = KeysOf(result);
        // Sorted by demo, then time.
        EXPECT_TRUE(std::is_sorted(found.begin(), found.end(), [](const Key& a, const Key& b) {
            return std::tie(std::get<0>(a), std::get<1>(a)) < std::tie(std::get<0>(b), std::get<1>(b));
        }));
        std::sort(found.begin(), found.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(found, expected);
        EXPECT_GE(found.size(), c.atLeast);
        // A limit keeps the first moments and says there were more.
        if (found.size() > 2) {
            const MomentResult limited = SearchMoments(index, query, 2);
            EXPECT_EQ(limited.moments.size(), 2u);
            EXPECT_TRUE(limited.more);
        }
    }
}

TEST(MomentSearch, TermsAreReadOrNamedWhenTheyCannotBe)
{
    struct Case {
        std::string search;
        bool moments;
        std::vector<DeathCause> causes;
        std::string error; // part of the message; empty: none (a term that cannot be read adds nothing)
    };
    using C = DeathCause;
    const std::vector<Case> cases{
        {"weapon:rl|RAIL", true, {C::Rocket, C::RocketSplash, C::Railgun}, ""},
        {"weapon:MOD_ROCKET_SPLASH,bfg", true, {C::RocketSplash, C::Bfg, C::BfgSplash}, ""},
        {"weapon:mod_rl", false, {}, "no weapon or means of death is called mod_rl"},
        {"weapon:spoon", false, {}, "no weapon or means of death is called spoon"},
        {"multi:3", false, {}, "write multi:N/S"},
        {"multi:1/5", false, {}, "write multi:N/S"},
        {"multi:3/0", false, {}, "write multi:N/S"},
        {"spree:1", false, {}, "write spree:N"},
        {"spree:x", false, {}, "write spree:N"},
        {"player:frag fragged", false, {}, ""},
        {"Frag", true, {}, ""},
        {"say:\"good game\"", true, {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.search);
        const SearchQuery query = ParseSearchQuery(c.search);
        EXPECT_EQ(IsMomentSearch(query), c.moments);
        EXPECT_EQ(query.moments.causes, c.causes);
        if (c.error.empty())
            EXPECT_TRUE(query.errors.empty());
        else
            EXPECT_TRUE(!query.errors.empty() && query.errors.front().find(c.error) != std::string::npos);
    }
    const MomentQuery read = ParseSearchQuery("say:\"Good  Game\" multi:3/5 by:^1Zero,toxjq").moments;
    EXPECT_EQ(read.says, std::vector<std::string>{"good  game"});
    EXPECT_EQ(read.by, (std::vector<std::string>{"zero", "toxjq"}));
    EXPECT_EQ(read.multi, (MultiFragTerm{3, 5}));
}

// Synthetic demos: every frag's victim placed at a height that sits just on one side of the rule.
TEST(MomentSearch, FragsInTheAirAndMultiFragsAtTheEdgesOfTheirRules)
{
    testsupport::ScratchDir scratch;
    const std::filesystem::path folder = scratch.path() / "demos";
    std::filesystem::create_directories(folder);
    // Alice (0) records; Bob (1), Carl (2) and Dana (3) are seen as entities.
    MomentDemoPlan air{.players = {"Alice", "Bob", "Carl", "Dana"}};
    air.places = {
        {11000, 1, 32, false},  // 32 units above his ground: in the air
        {12000, 1, 0, true},    //
        {12500, 2, 31, false},  // 31 units: not yet
        {13500, 2, 0, true},    //
        {14000, 3, 200, true},  // high, but standing
        {15000, 3, 150, false}, // falling from it: below where she stood
        {16000, 1, 64, false},  // in the air again
    };
    air.frags = {{11000, 0, 1, 6}, {12500, 0, 2, 6}, {14000, 0, 3, 10}, {15000, 0, 3, 7}, {16000, 2, 1, 10}};
    // Bob records: his own state says he is in the air when Carl rails him.
    MomentDemoPlan own{.players = {"Alice", "Bob", "Carl"}, .recorder = 1};
    own.places = {{11000, 1, 40, false}};
    own.frags = {{11000, 2, 1, 10}};
    // Multi-frags of 3 within 5 s: exactly 5 s, 5.05 s (one snapshot more), and 4 frags in 5 s.
    MomentDemoPlan multi{.players = {"Alice", "Bob", "Carl"}};
    multi.frags = {{11000, 0, 1, 10}, {13000, 0, 1, 10}, {16000, 0, 1, 10}, // 5 s: one
                   {20000, 2, 1, 10}, {22000, 2, 1, 10}, {25050, 2, 1, 10}, // 5.05 s: none
                   {26000, 0, 2, 10}, {27000, 0, 2, 10}, {28000, 0, 2, 10}, {29000, 0, 2, 10}};
    // Carl's frags on Bob run on while Carl lives; Bob fragging Carl ends the spree.
    multi.frags.push_back({29500, 1, 2, 6});
    for (const auto& [name, plan] : {std::pair{"air.dm_68", air}, {"own.dm_68", own}, {"multi.dm_68", multi}})
        testsupport::WriteBytes((folder / name).string(), testsupport::MomentDemoBytes(plan));
    LibraryIndex index;
    IndexFolders(index, scratch.path() / "index.sqlite", folder);

    struct Case {
        std::string search;
        std::vector<std::tuple<std::string, int64_t, int64_t, int>> found; // demo, from, to, frags (ms)
    };
    const std::vector<Case> cases{
        {"frag air", {{"air.dm_68", 1000, 1000, 1}, {"air.dm_68", 6000, 6000, 1}, {"own.dm_68", 1000, 1000, 1}}},
        {"frag air by:alice", {{"air.dm_68", 1000, 1000, 1}}},
        {"frag air weapon:rail", {{"air.dm_68", 6000, 6000, 1}, {"own.dm_68", 1000, 1000, 1}}},
        {"frag of:dana", {{"air.dm_68", 4000, 4000, 1}, {"air.dm_68", 5000, 5000, 1}}},
        // Alice's four frags in air.dm_68 make one too.
        {"multi:3/5", {{"air.dm_68", 1000, 5000, 4}, {"multi.dm_68", 1000, 6000, 3}, {"multi.dm_68", 16000, 19000, 4}}},
        {"multi:3/6",
         {{"air.dm_68", 1000, 5000, 4},
          {"multi.dm_68", 1000, 6000, 3},
          {"multi.dm_68", 10000, 15050, 3},
          {"multi.dm_68", 16000, 19000, 4}}},
        {"multi:4/3", {{"multi.dm_68", 16000, 19000, 4}}},
        {"multi:5/10 map:q3dm6", {}},
        {"spree:4 by:alice", {{"air.dm_68", 1000, 5000, 4}, {"multi.dm_68", 1000, 19000, 7}}},
        {"spree:3 by:carl", {{"multi.dm_68", 10000, 15050, 3}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.search);
        const MomentResult result = SearchMoments(index, ParseSearchQuery(c.search));
        ASSERT_EQ(result.status, IndexStatus::Ok) << result.message;
        std::vector<std::tuple<std::string, int64_t, int64_t, int>> found;
        for (const Moment& m : result.moments)
            found.emplace_back(m.row[FieldDemoname], m.demoTime, m.endDemoTime, m.frags);
        EXPECT_EQ(found, c.found);
    }
    // A frag keeps both places; the world's coordinates come back as they were.
    const MomentResult frags = SearchMoments(index, ParseSearchQuery("frag of:bob air by:alice"));
    ASSERT_EQ(frags.moments.size(), 1u);
    const Moment& m = frags.moments[0];
    ASSERT_TRUE(m.otherPlace && m.playerPlace);
    EXPECT_EQ(*m.otherPlace, (EventPlace{100, 0, 32, false, true}));
    EXPECT_EQ(*m.playerPlace, (EventPlace{0, 0, 0, true, false}));
    EXPECT_EQ(m.loadName, (folder / "air.dm_68").string());
    EXPECT_EQ(m.serverTime, 11000);
    EXPECT_EQ(m.weapon, Weapon::RocketLauncher);

    // A demo read again leaves no events of its old self behind.
    testsupport::WriteBytes((folder / "multi.dm_68").string(), testsupport::MomentDemoBytes(own));
    IndexUpdateOptions options;
    ASSERT_EQ(UpdateLibraryIndex(index, {folder.string()}, options).status, IndexStatus::Ok);
    EXPECT_EQ(SearchMoments(index, ParseSearchQuery("multi:3/5")).moments.size(), 1u);
    EXPECT_EQ(SearchMoments(index, ParseSearchQuery("frag by:carl")).moments.size(), 3u);
}

// A stored value cut short or changed (a damaged index) gives the events before the damage and
// says so, never more events than were stored or a read past its end.
TEST(MomentSearch, DamagedStoredEventsEndAtTheDamage)
{
    std::vector<DemoEvent> events(3);
    events[0].demoTime = 100;
    events[0].serverTime = 5100;
    events[0].player = 1;
    events[0].other = 2;
    events[0].cause = DeathCause::Railgun;
    events[0].otherPlace = EventPlace{-40000, 12, 300, false, true};
    events[1].kind = EventKind::Chat;
    events[1].demoTime = 900;
    events[1].serverTime = 4000;
    events[1].player = 1;
    events[1].text = "gg";
    events[2].kind = EventKind::TeamChange;
    events[2].demoTime = 950;
    events[2].serverTime = 5950;
    events[2].team = 2;
    const std::string bytes = EncodeEvents(events, 5000, [](int client, const std::string&) { return client; });
    std::vector<StoredEvent> read;
    ASSERT_TRUE(DecodeEvents(bytes, 5000, read));
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(read[0].otherPlace, (EventPlace{-40000, 12, 300, false, true}));
    EXPECT_EQ(read[0].cause, DeathCause::Railgun);
    EXPECT_EQ(read[1].serverTime, 4000); // a clock that went back
    EXPECT_EQ(read[1].text, "gg");
    EXPECT_EQ(read[2].team, 2);
    const auto fields = [](const StoredEvent& e) {
        return std::tie(e.kind, e.time, e.serverTime, e.player, e.other, e.cause, e.flags, e.team, e.place,
                        e.otherPlace, e.text);
    };
    for (size_t size = 0; size <= bytes.size(); ++size) {
        const std::string_view cut = std::string_view(bytes).substr(0, size);
        const bool whole = DecodeEvents(cut, 5000, read);
        EXPECT_LE(read.size(), 3u);
        EXPECT_TRUE(!whole || read.size() < 3u || size == bytes.size()) << size;
        // Keeping some kinds only steps over the others: the same events of those kinds, the same
        // damage found.
        for (const uint32_t kinds : {KindBit(EventKind::Frag), KindBit(EventKind::Chat),
                                     KindBit(EventKind::TeamChange) | KindBit(EventKind::Frag), 0u}) {
            std::vector<StoredEvent> some;
            EXPECT_EQ(DecodeEvents(cut, 5000, kinds, some), whole) << size;
            std::vector<StoredEvent> expected = read;
            std::erase_if(expected, [&](const StoredEvent& e) { return !(kinds & KindBit(e.kind)); });
            ASSERT_EQ(some.size(), expected.size()) << size << " " << kinds;
            for (size_t i = 0; i < some.size(); ++i)
                EXPECT_TRUE(fields(some[i]) == fields(expected[i])) << size << " " << kinds;
        }
    }
    EXPECT_FALSE(DecodeEvents(std::string(12, '\xff'), 0, read));
    EXPECT_FALSE(DecodeEvents(std::string(12, '\xff'), 0, 0u, read));
}

} // namespace
