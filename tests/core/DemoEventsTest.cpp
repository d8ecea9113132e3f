// Events from decoded demos: obituaries, flags, match phases, rounds, chat and players, for every
// protocol family, and the per-player figures counted from them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/events/DemoEvents.h"
#include "core/events/EventCollector.h"
#include "core/events/PlayerFigures.h"
#include "support/EventDemoModel.h"

using core::DeathCause;
using core::DemoEvent;
using core::EventKind;
using core::Weapon;
using testsupport::EventDemoModel;

namespace {

std::vector<DemoEvent> EventsOf(const EventDemoModel& demo)
{
    return core::DemoEvents(demo.Messages(), demo.Protocol());
}

std::string Player(const std::string& name, int team)
{
    return "n\\" + name + "\\t\\" + std::to_string(team) + "\\model\\sarge";
}

struct Family {
    int protocol;
    bool missionPack;
    std::string gameName;
    int rocket;  // the family's number for a rocket's direct hit
    int falling; // and for a fall
    int grapple;
};

class ObituaryFamilies : public testing::TestWithParam<Family> {};

// The same match in each family's numbers gives the same frags, in the family's own numbering
// of means of death.
TEST_P(ObituaryFamilies, FragsAndSuicidesWithTheirWeapons)
{
    const Family f = GetParam();
    EventDemoModel demo(f.protocol, f.missionPack);
    demo.GameState({{0, "\\gamename\\" + f.gameName + "\\g_gametype\\1"},
                    {demo.PlayerIndex(0), Player("Alice", 0)},
                    {demo.PlayerIndex(3), Player("Bob", 0)}});
    demo.Snapshot(10000, {EventDemoModel::Player(0), EventDemoModel::Player(3)});
    // Bob rockets Alice; the temporary entity stays in the next snapshot too.
    demo.Snapshot(10050, {EventDemoModel::Player(3), demo.Obituary(100, 0, 3, f.rocket)});
    demo.Snapshot(10100, {EventDemoModel::Player(3), demo.Obituary(100, 0, 3, f.rocket)});
    // Alice falls to her death (the world, entity 1022, is the attacker); Bob grapples her later.
    demo.Snapshot(12000, {demo.Obituary(101, 0, 1022, f.falling)});
    demo.Snapshot(13000, {demo.Obituary(101, 0, 3, f.grapple)});

    const std::vector<DemoEvent> events = EventsOf(demo);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].kind, EventKind::Frag);
    EXPECT_EQ(events[0].player, 3);
    EXPECT_EQ(events[0].playerName, "Bob");
    EXPECT_EQ(events[0].other, 0);
    EXPECT_EQ(events[0].otherName, "Alice");
    EXPECT_EQ(events[0].cause, DeathCause::Rocket);
    EXPECT_EQ(events[0].weapon, Weapon::RocketLauncher);
    EXPECT_EQ(events[0].meansOfDeath, f.rocket);
    EXPECT_EQ(events[0].serverTime, 10050);
    EXPECT_EQ(events[0].demoTime, 50);

    EXPECT_EQ(events[1].kind, EventKind::Suicide);
    EXPECT_EQ(events[1].player, -1);
    EXPECT_EQ(events[1].other, 0);
    EXPECT_EQ(events[1].cause, DeathCause::Falling);
    EXPECT_EQ(events[1].weapon, Weapon::None);
    EXPECT_EQ(events[1].demoTime, 2000);

    // The same entity number comes back as a new obituary.
    EXPECT_EQ(events[2].kind, EventKind::Frag);
    EXPECT_EQ(events[2].cause, DeathCause::Grapple);
    EXPECT_EQ(events[2].weapon, Weapon::GrapplingHook);
}

INSTANTIATE_TEST_SUITE_P(Protocols, ObituaryFamilies,
                         testing::Values(Family{43, false, "baseq3", 6, 19, 23}, Family{45, false, "baseq3", 6, 19, 23},
                                         Family{48, false, "baseq3", 6, 19, 23}, Family{68, false, "baseq3", 6, 19, 23},
                                         Family{68, true, "missionpack", 6, 19, 28},
                                         Family{71, true, "baseoa", 6, 19, 28}, Family{73, false, "", 6, 19, 28},
                                         Family{90, false, "", 6, 19, 28}, Family{91, false, "", 6, 19, 28}));

TEST(DemoEvents, ObituaryLimitsAndOddValues)
{
    EventDemoModel demo(68);
    demo.GameState({{demo.PlayerIndex(63), Player("Last", 0)}, {demo.PlayerIndex(0), Player("First", 0)}});
    demo.Snapshot(1000, {
                            demo.Obituary(100, 63, 0, 10), // victim 63: the last client number
                            demo.Obituary(101, 64, 0, 10), // victim 64: not a client, no event
                            demo.Obituary(102, -1, 0, 10), // nor -1
                            demo.Obituary(103, 0, 63, 99), // means of death beyond the table
                            demo.Obituary(104, 0, 64, 10), // attacker 64: not a player, so a suicide
                            demo.Obituary(105, 0, 0, 20),  // by their own hand
                        });
    const std::vector<DemoEvent> events = EventsOf(demo);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].other, 63);
    EXPECT_EQ(events[0].weapon, Weapon::Railgun);
    EXPECT_EQ(events[1].kind, EventKind::Frag);
    EXPECT_EQ(events[1].player, 63);
    EXPECT_EQ(events[1].cause, DeathCause::Unknown);
    EXPECT_EQ(events[1].meansOfDeath, 99);
    EXPECT_EQ(events[2].kind, EventKind::Suicide);
    EXPECT_EQ(events[3].kind, EventKind::Suicide);
    EXPECT_EQ(events[3].cause, DeathCause::Suicide);
}

TEST(DemoEvents, OtherEntityEventsAndUnreliableSnapshotsGiveNothing)
{
    EventDemoModel demo(68);
    demo.GameState({{demo.PlayerIndex(1), Player("A", 0)}});
    // A jump (event 14) and the obituary number on an ordinary entity type are no obituaries;
    // a snapshot the game would not show is left out.
    core::EntityState player = EventDemoModel::Player(1);
    player[core::EntityField::Event] = 60;
    demo.Snapshot(1000, {demo.EventEntity(100, 14, 0), player});
    demo.Snapshot(1100, {demo.Obituary(101, 1, 1022, 19)}, false);
    EXPECT_TRUE(EventsOf(demo).empty());
    // The toggle bits above the event number do not hide an obituary.
    EventDemoModel toggled(68);
    toggled.Snapshot(1000, {toggled.EventEntity(100, 60 | 0x100, 19, 1, 1022)});
    ASSERT_EQ(EventsOf(toggled).size(), 1u);
    EXPECT_EQ(EventsOf(toggled)[0].cause, DeathCause::Falling);
}

TEST(DemoEvents, PlayersJoinLeaveAndChangeTeams)
{
    EventDemoModel demo(68);
    demo.GameState({{demo.PlayerIndex(0), Player("Alice", 1)}});
    demo.Snapshot(5000);
    demo.Command("cs 545 \"" + Player("Bob", 3) + "\"\n");
    demo.Snapshot(6000);
    demo.Command("cs 545 \"" + Player("Bob", 2) + "\"\n");
    demo.Command("cs 544 \"" + Player("Alice^1", 1) + "\"\n"); // a new name is no team change
    demo.Snapshot(7000);
    demo.Command("cs 544 \"\"\n");
    demo.Snapshot(8000);

    const std::vector<DemoEvent> events = EventsOf(demo);
    ASSERT_EQ(events.size(), 3u); // Alice, there from the start, did not join
    EXPECT_EQ(events[0].kind, EventKind::PlayerJoined);
    EXPECT_EQ(events[0].player, 1);
    EXPECT_EQ(events[0].playerName, "Bob");
    EXPECT_EQ(events[0].team, core::kTeamSpectator);
    EXPECT_EQ(events[0].serverTime, 6000); // the snapshot the command came with
    EXPECT_EQ(events[1].kind, EventKind::TeamChange);
    EXPECT_EQ(events[1].team, core::kTeamBlue);
    EXPECT_EQ(events[1].playerTeam, core::kTeamSpectator);
    EXPECT_EQ(events[2].kind, EventKind::PlayerLeft);
    EXPECT_EQ(events[2].playerName, "Alice^1");
    EXPECT_EQ(events[2].demoTime, 3000);
}

TEST(DemoEvents, WarmupMatchStartAndEnd)
{
    for (int protocol : {45, 68}) {
        EventDemoModel demo(protocol);
        const int start = demo.Tables().levelStartIndex;
        const int intermission = demo.Tables().intermissionIndex;
        demo.GameState(
            {{5, "-1"}, {start, "1000"}, {demo.PlayerIndex(0), Player("A", 0)}, {demo.PlayerIndex(1), Player("B", 0)}});
        demo.Snapshot(2000, {demo.Obituary(100, 0, 1, 6)}); // a warm-up frag
        demo.Command("cs " + std::to_string(start) + " \"30000\"");
        demo.Command("cs 5 \"\"");
        demo.Snapshot(30000);
        demo.Snapshot(31000, {demo.Obituary(100, 0, 1, 6)});
        demo.Command("cs " + std::to_string(intermission) + " \"1\"");
        demo.Snapshot(40000);
        demo.Command("cs " + std::to_string(intermission) + " \"1\""); // said again: no second end
        demo.Snapshot(40100);

        const std::vector<DemoEvent> events = EventsOf(demo);
        ASSERT_EQ(events.size(), 4u) << protocol;
        EXPECT_TRUE(events[0].warmup);
        EXPECT_EQ(events[1].kind, EventKind::GameStart);
        EXPECT_EQ(events[1].serverTime, 30000);
        EXPECT_FALSE(events[2].warmup);
        EXPECT_EQ(events[3].kind, EventKind::GameEnd);
        // The warm-up frag does not count.
        const auto figures = core::PlayerFiguresOf(events);
        ASSERT_EQ(figures.size(), 2u);
        EXPECT_EQ(figures[1].frags, 1);
        EXPECT_EQ(figures[0].deaths, 1);
    }
}

TEST(DemoEvents, QuakeLiveRounds)
{
    EventDemoModel demo(91);
    demo.GameState({{661, "\\time\\-1\\round\\0"}, {662, "-1"}});
    demo.Snapshot(1000);
    demo.Command("cs 661 \"\\time\\5000\\round\\1\"");
    demo.Command("cs 662 \"5000\"");
    demo.Snapshot(5000);
    demo.Command("cs 662 \"5000\""); // unchanged: no second start
    demo.Snapshot(6000);
    demo.Command("cs 662 \"-1\"");
    demo.Snapshot(60000);

    const std::vector<DemoEvent> events = EventsOf(demo);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, EventKind::RoundStart);
    EXPECT_EQ(events[0].text, "1");
    EXPECT_EQ(events[1].kind, EventKind::RoundEnd);
    EXPECT_EQ(events[1].demoTime, 59000);
    // The original game has no rounds: the same numbers mean nothing there.
    EventDemoModel classic(68);
    classic.Snapshot(1000);
    classic.Command("cs 662 \"5000\"");
    classic.Snapshot(5000);
    EXPECT_TRUE(EventsOf(classic).empty());
}

TEST(DemoEvents, FlagsFromTheServersAnnouncements)
{
    EventDemoModel demo(68);
    demo.GameState({{0, "\\g_gametype\\4"},
                    {demo.PlayerIndex(2), Player("Red^1Guy", 1)},
                    {demo.PlayerIndex(5), Player("Blue", 2)}});
    demo.Snapshot(1000);
    demo.Command("print \"Red^1Guy^7 got the BLUE flag!\n\"");
    demo.Snapshot(2000);
    demo.Command("print \"Blue^7 returned the RED flag!\n\"");
    demo.Command("print \"Red^1Guy^7 captured the BLUE flag!\n\"");
    demo.Snapshot(3000);
    demo.Command("print \"The RED flag has returned!\n\"");
    demo.Command("print \"Somebody^7 got the flag!\n\"");  // one flag; an unknown name
    demo.Command("print \"Alice got the GREEN flag!\n\""); // no team of the game: not a flag event
    demo.Snapshot(4000);

    const std::vector<DemoEvent> events = EventsOf(demo);
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[0].kind, EventKind::FlagTaken);
    EXPECT_EQ(events[0].player, 2);
    EXPECT_EQ(events[0].team, core::kTeamBlue);
    EXPECT_EQ(events[1].kind, EventKind::FlagReturned);
    EXPECT_EQ(events[1].player, 5);
    EXPECT_EQ(events[1].team, core::kTeamRed);
    EXPECT_EQ(events[2].kind, EventKind::FlagCaptured);
    EXPECT_EQ(events[2].player, 2);
    EXPECT_EQ(events[3].kind, EventKind::FlagReturned);
    EXPECT_EQ(events[3].player, -1);
    EXPECT_EQ(events[3].team, core::kTeamRed);
    EXPECT_EQ(events[4].team, core::kTeamFree);
    EXPECT_EQ(events[4].player, -1);
    EXPECT_EQ(events[4].playerName, "Somebody");
    EXPECT_EQ(core::PlayerFiguresOf(events)[0].captures, 1);
}

// Every form in which the games tell a capture: each capture is one event, with its player where
// any of the forms names him, also when several forms tell the same capture at once.
TEST(DemoEvents, CapturesInEveryForm)
{
    struct Capture {
        int player, flag;
        bool operator==(const Capture&) const = default;
    };
    struct Step {
        std::vector<std::string> commands;
        int sound = -1; // the team sound's value in the snapshot after the commands
        int soundPlayer = 0;
    };
    const int red = core::kTeamRed, blue = core::kTeamBlue, free = core::kTeamFree;
    const struct {
        const char* what;
        int protocol;
        const char* game;
        const char* gametype;
        std::vector<Step> steps;
        std::vector<Capture> expected;
    } cases[] = {
        {"1.32: text, score and sound at once",
         68,
         "baseq3",
         "4",
         {{{"print \"Rex^7 captured the BLUE flag!\n\"", "cs 6 \"1\""}, 0}},
         {{0, blue}}},
        {"OSP: the time held after the flag",
         68,
         "osp",
         "4",
         {{{"print \"^xFF00FF^6Ann^2 captured the RED flag! (held for 0:42.70)\n\""}}},
         {{1, red}}},
        {"Quake Live: the team, then the player behind his clan tag",
         91,
         "",
         "5",
         {{{"print \"^1RED TEAM^3 CAPTURED the flag!^7 (^3ZZ^7 Rex captured in 0:14.003)\n\"", "cs 6 \"1\""}, 0}},
         {{0, blue}}},
        {"CPMA: a centre print, the player in the team sound",
         68,
         "cpma",
         "7",
         {{{"cp \"^1RED^7 scores: Capture\""}, 1, 0}, {{"cp \"^4BLUE^7 scores: Touch\""}}},
         {{0, blue}}},
        {"no text: the team sound", 68, "baseq3", "4", {{{}, 1}}, {{-1, red}}},
        {"no text: the team score",
         71,
         "baseoa",
         "4",
         {{{"cs 7 \"1\""}}, {{"cs 7 \"0\""}}, {{"cs 7 \"2\""}}},
         {{-1, red}}},
        {"team deathmatch scores are frags", 68, "baseq3", "3", {{{"cs 6 \"1\""}}}, {}},
        {"one flag",
         68,
         "missionpack",
         "5",
         {{{"print \"^xFF00FF^6Ann^7 captured the flag!\n\"", "cs 7 \"1\""}, 1}},
         {{1, free}}},
        {"two captures",
         68,
         "baseq3",
         "4",
         {{{"cs 6 \"1\""}}, {{}}, {{}}, {{"cs 6 \"2\""}, 0}},
         {{-1, blue}, {-1, blue}}},
    };
    for (const auto& c : cases) {
        EventDemoModel demo(c.protocol, std::string(c.game) == "missionpack");
        demo.GameState({{0, "\\g_gametype\\" + std::string(c.gametype) + "\\gamename\\" + c.game},
                        {6, "0"},
                        {7, "0"},
                        {demo.PlayerIndex(0), c.protocol == 91 ? Player("Rex", 1) + "\\cn\\^3ZZ" : Player("Rex", 1)},
                        {demo.PlayerIndex(1), Player("^xFF00FF^6Ann", 2)}});
        int32_t time = 1000;
        demo.Snapshot(time);
        for (const Step& step : c.steps) {
            for (const std::string& command : step.commands)
                demo.Command(command);
            std::vector<core::EntityState> entities;
            if (step.sound >= 0) {
                entities.push_back(demo.EventEntity(300, demo.Tables().teamSoundEvent, step.sound));
                entities.back()[core::EntityField::Generic1] = static_cast<uint32_t>(step.soundPlayer);
            }
            demo.Snapshot(time += 50, entities);
            demo.Snapshot(time += 5000);
        }
        std::vector<Capture> captures;
        for (const DemoEvent& e : EventsOf(demo))
            if (e.kind == EventKind::FlagCaptured)
                captures.push_back({e.player, e.team});
        EXPECT_EQ(captures, c.expected) << c.what;
    }
    // 1.17 has no team sound.
    EXPECT_EQ(core::EventTablesFor(45, false).teamSoundEvent, -1);
}

TEST(DemoEvents, ChatToAllAndToTheTeam)
{
    EventDemoModel demo(68);
    demo.GameState({{demo.PlayerIndex(0), Player("Al", 1)}, {demo.PlayerIndex(1), Player("Al: x", 1)}});
    demo.Command("chat \"Al^7\x19: ^2gg: wp\"");
    demo.Command("tchat \"(Al: x^7\x19) (Red Base)\x19: ^5incoming\"");
    demo.Command("chat \"Al: old style\"");
    demo.Command("chat \"console: hello\"");
    demo.Snapshot(1000);

    const std::vector<DemoEvent> events = EventsOf(demo);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].kind, EventKind::Chat);
    EXPECT_EQ(events[0].player, 0);
    EXPECT_EQ(events[0].text, "^2gg: wp");
    EXPECT_EQ(events[1].kind, EventKind::TeamChat);
    EXPECT_EQ(events[1].player, 1); // the longest name that fits
    EXPECT_EQ(events[1].text, "^5incoming");
    EXPECT_EQ(events[2].text, "old style");
    EXPECT_EQ(events[3].player, -1);
    EXPECT_EQ(events[3].text, "hello");
}

TEST(DemoEvents, BigConfigStringsArriveInPieces)
{
    EventDemoModel demo(68);
    demo.Snapshot(1000);
    demo.Command("bcs0 546 \"n\\Long\"");
    demo.Command("bcs1 546 \"Name\\t\"");
    demo.Command("bcs2 546 \"\\2\"");
    demo.Snapshot(2000);
    const std::vector<DemoEvent> events = EventsOf(demo);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, EventKind::PlayerJoined);
    EXPECT_EQ(events[0].playerName, "LongName");
    EXPECT_EQ(events[0].team, core::kTeamBlue);
}

TEST(DemoEvents, TeamKillsAndTheDemoClock)
{
    EventDemoModel demo(68);
    demo.GameState({{demo.PlayerIndex(0), Player("A", 1)},
                    {demo.PlayerIndex(1), Player("B", 1)},
                    {demo.PlayerIndex(2), Player("C", 2)}});
    demo.Snapshot(50000, {demo.Obituary(100, 1, 0, 10)});
    // A new map starts the server's clock afresh: the demo's clock goes on from where it was.
    demo.GameState({{demo.PlayerIndex(0), Player("A", 1)}, {demo.PlayerIndex(2), Player("C", 2)}});
    demo.Snapshot(1000, {demo.Obituary(100, 2, 0, 10)});
    demo.Snapshot(1500, {demo.Obituary(101, 0, 2, 10)});
    const std::vector<DemoEvent> events = EventsOf(demo);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_TRUE(events[0].teamKill);
    EXPECT_FALSE(events[1].teamKill);
    EXPECT_EQ(events[1].demoTime, 0);
    EXPECT_EQ(events[1].serverTime, 1000);
    EXPECT_EQ(events[2].demoTime, 500);
}

// Frags, sprees and weapons as the player window shows them.
TEST(PlayerFigures, CountsFromTheEvents)
{
    auto frag = [](int attacker, int victim, Weapon weapon, bool teamKill = false) {
        DemoEvent e;
        e.kind = EventKind::Frag;
        e.player = attacker;
        e.other = victim;
        e.playerName = "P" + std::to_string(attacker);
        e.otherName = "P" + std::to_string(victim);
        e.weapon = weapon;
        e.teamKill = teamKill;
        return e;
    };
    DemoEvent suicide;
    suicide.kind = EventKind::Suicide;
    suicide.other = 1;
    DemoEvent restart;
    restart.kind = EventKind::GameStart;
    const std::vector<DemoEvent> events = {
        frag(1, 2, Weapon::Railgun),
        frag(1, 2, Weapon::Railgun),
        frag(1, 2, Weapon::RocketLauncher),
        suicide,
        frag(1, 2, Weapon::Shotgun),
        frag(1, 2, Weapon::Shotgun),
        restart,
        frag(1, 2, Weapon::Shotgun),
        frag(1, 3, Weapon::Shotgun, true),
        frag(2, 1, Weapon::Gauntlet),
    };
    const auto figures = core::PlayerFiguresOf(events);
    ASSERT_EQ(figures.size(), 3u);
    const core::PlayerFigures& p1 = figures[0];
    EXPECT_EQ(p1.client, 1);
    EXPECT_EQ(p1.frags, 6);
    EXPECT_EQ(p1.teamKills, 1);
    EXPECT_EQ(p1.suicides, 1);
    EXPECT_EQ(p1.deaths, 2);
    EXPECT_EQ(p1.longestSpree, 3); // broken by the suicide, and again by the restart
    EXPECT_EQ(p1.fragsByWeapon[static_cast<size_t>(Weapon::Railgun)], 2);
    EXPECT_EQ(p1.fragsByWeapon[static_cast<size_t>(Weapon::Shotgun)], 3);
    EXPECT_EQ(figures[1].deaths, 6);
    EXPECT_EQ(figures[1].frags, 1);
    EXPECT_EQ(figures[2].deaths, 1);
    ASSERT_NE(core::FiguresByName(figures, "P2"), nullptr);
    EXPECT_EQ(core::FiguresByName(figures, "P2")->client, 2);
    EXPECT_EQ(core::FiguresByName(figures, "nobody"), nullptr);
}

} // namespace

namespace {

TEST(DemoEvents, RepeatedCommandsCountOnce)
{
    EventDemoModel demo(68);
    demo.GameState({{demo.PlayerIndex(0), Player("A", 0)}});
    demo.Snapshot(1000);
    // The server sends a command again until the client acknowledges it.
    std::vector<core::ServerCommand> twice = {{7, "chat \"A^7\x19: hi\""}};
    demo.Snapshot(2000);
    demo.Last().serverCommands = twice;
    demo.Snapshot(2050);
    demo.Last().serverCommands = twice;
    demo.Snapshot(2100);
    demo.Last().serverCommands = {{8, "chat \"A^7\x19: again\""}};
    const std::vector<DemoEvent> events = EventsOf(demo);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].text, "hi");
    EXPECT_EQ(events[1].text, "again");
}

TEST(DemoEvents, QuakeLivePhasesAndChat)
{
    EventDemoModel demo(73);
    demo.GameState({{0, "\\g_gameState\\PRE_GAME\\g_gametype\\1"},
                    {5, "\\time\\1003775"},
                    {demo.PlayerIndex(1), Player("^4Terifire^7", 0)}});
    demo.Command("chat \"01 345 ^4Terifire^7^7\x19: ^2hf\"");
    demo.Snapshot(996000);
    // The match begins: the phase and the level's start time change together.
    demo.Command("cs 0 \"\\g_gameState\\IN_PROGRESS\\g_gametype\\1\"");
    demo.Command("cs 13 \"1003775\"");
    demo.Command("cs 5 \"\\time\\0\"");
    demo.Snapshot(1004200, {demo.Obituary(100, 0, 1, 10)});
    const std::vector<DemoEvent> events = EventsOf(demo);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].kind, EventKind::Chat);
    EXPECT_EQ(events[0].player, 1);
    EXPECT_EQ(events[0].text, "^2hf");
    EXPECT_TRUE(events[0].warmup);
    EXPECT_EQ(events[1].kind, EventKind::GameStart);
    EXPECT_FALSE(events[1].warmup);
    EXPECT_FALSE(events[2].warmup); // the configuration string 5 of Quake Live is no warm-up
}

TEST(DemoEvents, ChallengeProModeWarmup)
{
    EventDemoModel demo(68);
    demo.GameState(
        {{0, "\\gamename\\cpma"}, {672, "sb\\18\\tw\\921662\\ts\\840283"}, {demo.PlayerIndex(1), Player("myT", 0)}});
    demo.Snapshot(920902, {demo.Obituary(100, 1, 1, 20)});
    demo.Command("cs 672 \"sb\\0\\tw\\0\\ts\\921694\"");
    demo.Snapshot(921694);
    const std::vector<DemoEvent> events = EventsOf(demo);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_TRUE(events[0].warmup);
    EXPECT_EQ(events[1].kind, EventKind::GameStart);
    EXPECT_TRUE(core::PlayerFiguresOf(events).empty());
}

} // namespace

namespace {

TEST(DemoEvents, TheEventsStopAtTheirLimit)
{
    core::EventCollector collector(68);
    collector.GameState();
    for (int32_t i = 1; i <= 200001; ++i)
        collector.ServerCommand(i, "chat \"x: y\"");
    collector.Snapshot(1000, {});
    const std::vector<DemoEvent> events = collector.Finish();
    ASSERT_EQ(events.size(), 200000u);
    EXPECT_EQ(events.back().serverTime, 1000);
}

} // namespace
