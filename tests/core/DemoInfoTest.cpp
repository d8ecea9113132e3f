#include <gtest/gtest.h>

#include "core/row/DemoInfo.h"

using namespace core;

TEST(DemoInfoFormat, Seconds)
{
    EXPECT_EQ(FormatSeconds(0), "00:00:00");
    EXPECT_EQ(FormatSeconds(59), "00:00:59");
    EXPECT_EQ(FormatSeconds(3725), "01:02:05");
    EXPECT_EQ(FormatSeconds(86399), "23:59:59");
    EXPECT_EQ(FormatSeconds(100 * 3600), "100:00:00");
    EXPECT_EQ(ParseClock("01:02:05"), 3725);
    EXPECT_EQ(ParseClock(FormatSeconds(86399)), 86399);
    EXPECT_EQ(ParseClock("0x:00:00"), std::nullopt);
    EXPECT_EQ(ParseClock("01:02"), std::nullopt);
}

TEST(DemoInfoFormat, Sizes)
{
    EXPECT_EQ(FormatSize(1572864, 2), "1.50 MB");
    EXPECT_EQ(FormatSize(1536, 2), "1.50 KB");
    EXPECT_EQ(FormatSize(1048576, 2), "1.00 MB");
    EXPECT_EQ(FormatSize(1048575, 2), "1024.00 KB");
    EXPECT_EQ(FormatSize(5ull << 30, 2), "5120.00 MB"); // beyond 32 bits
    EXPECT_EQ(FormatReaderSize(1536), "1 KB");
    EXPECT_EQ(FormatReaderSize(1023), "0 KB");
    EXPECT_EQ(FormatReaderSize(0), "0 KB");
    EXPECT_EQ(FormatReaderSize(1572864), "1.50 MB");
    // The list's size column rounds halves to even.
    EXPECT_EQ(FormatListSize(512), "0 KB");
    EXPECT_EQ(FormatListSize(1536), "2 KB");
    EXPECT_EQ(FormatListSize(2560), "2 KB");
    EXPECT_EQ(FormatListSize(2561), "3 KB");
}

TEST(DemoInfoFormat, SmallTexts)
{
    EXPECT_EQ(YesNoText("0"), "NO");
    EXPECT_EQ(YesNoText("1"), "YES");
    EXPECT_EQ(YesNoText("N/A"), "N/A");
    EXPECT_EQ(YesNoText("01"), "N/A");
    EXPECT_EQ(NotSetText("0"), "N/S");
    EXPECT_EQ(NotSetText("00"), "00");
    EXPECT_EQ(NotSetText("N/A"), "N/A");
    EXPECT_EQ(NotSetText(""), "");
}

TEST(DemoInfoFormat, GameTypes)
{
    const struct {
        const char* value;
        const char* game;
        const char* expected;
    } cases[] = {
        {"0", "osp", "Free for All"},
        {"1", "baseq3", "Tournament"},
        {"2", "", "Singleplayer"},
        {"3", "x", "Team Deathmatch"},
        {"4", "x", "Capture the Flag"},
        {"5", "baseq3", "One Flag CTF"},
        {"6", "baseq3", "Overload"},
        {"7", "baseq3", "Harvester"},
        {"5", "osp", "5"},
        {"5", "BaseQ3", "5"},
        {"10", "baseq3", "10"},
        {"N/A", "baseq3", "N/A"},
        // Challenge ProMode's own game types.
        {"-1", "cpma", "Hoonymode"},
        {"1", "cpma", "Tournament"},
        {"5", "cpma", "Clan Arena"},
        {"6", "cpma", "Freeze Tag"},
        {"7", "CPMA", "Capture Strike"},
        {"8", "cpma", "Not Team Fortress"},
        {"9", "cpma", "2v2"},
        {"10", "cpma", "10"},
        {"-2", "cpma", "-2"},
        {"7", "osp", "7"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GameTypeName(c.value, c.game), c.expected) << c.value << " " << c.game;
}

TEST(DemoInfoFormat, ModNames)
{
    EXPECT_EQ(ModName("\\gamename\\OSP\\fs_game\\CPMA\\"), "cpma");
    EXPECT_EQ(ModName("\\gamename\\OSP\\fs_game\\\\"), "");
    EXPECT_EQ(ModName("\\gamename\\BaseQ3\\"), "baseq3");
    EXPECT_EQ(ModName("\\sv_hostname\\x\\"), "n/a");
}

TEST(DemoInfoFormat, DosDateTimeRoundTrip)
{
    // 2001-08-15 13:45:30, local time
    const uint32_t dos = (21u << 25) | (8u << 21) | (15u << 16) | (13u << 11) | (45u << 5) | 15u;
    EXPECT_EQ(DosDateTimeFromUnix(UnixFromDosDateTime(dos)), dos);
    const uint32_t midnight = (21u << 25) | (8u << 21) | (15u << 16);
    const std::string withTime = DosDateTimeText(dos);
    const std::string dateOnly = DosDateTimeText(midnight);
    EXPECT_EQ(withTime.rfind(dateOnly + " ", 0), 0u) << withTime;
    EXPECT_EQ(dateOnly.find(' '), std::string::npos);
}
