// The sample game's demos, every one that scripts/prepare-sample-game.sh has the demo writer make:
// each decodes as the old game's client reads it, converts for the sample game's engine
// (OpenArena's data), and the converted demo holds every snapshot on a map that data has.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "core/archive/ZipRead.h"
#include "core/convert/DemoConversion.h"
#include "core/demo/DemoDecoder.h"
#include "support/SampleDemos.h"

namespace {

struct Batch {
    int count;
    unsigned seed;
};

// The writer's calls in the script: "$WRITE" <folder> <count> [--pack NAME] --seed <seed>.
std::vector<Batch> ScriptBatches()
{
    std::ifstream in(std::string(VELMORA_SOURCE_DIR) + "/scripts/prepare-sample-game.sh");
    std::stringstream text;
    text << in.rdbuf();
    const std::string script = text.str();
    const std::regex call(R"re("\$WRITE" \S+ (\d+)(?: --pack \S+)? --seed (\d+))re");
    std::vector<Batch> batches;
    for (auto it = std::sregex_iterator(script.begin(), script.end(), call); it != std::sregex_iterator(); ++it)
        batches.push_back({std::stoi((*it)[1]), static_cast<unsigned>(std::stoul((*it)[2]))});
    return batches;
}

struct Walk {
    int snapshots = 0, invalid = 0;
    std::string mapName, gameVersion;
    core::DecodeError error = core::DecodeError::None;
    bool endMarker = false;
};

Walk WalkDemo(std::span<const uint8_t> bytes, int protocol)
{
    Walk walk;
    core::DemoDecoder decoder(bytes, protocol);
    core::DemoMessage message;
    while (decoder.Next(message)) {
        if (message.gameState)
            for (const auto& [index, text] : message.gameState->configStrings) {
                if (index == 0) {
                    const size_t at = text.find("\\mapname\\") + 9;
                    walk.mapName = text.substr(at, text.find('\\', at) - at);
                }
                if (index == 20)
                    walk.gameVersion = text;
            }
        if (message.snapshot) {
            ++walk.snapshots;
            // The recording player and the one he watches, as written.
            const core::Snapshot& s = *message.snapshot;
            walk.invalid += !s.valid || s.entities.size() != 1 || s.entities[0].number != 1;
        }
    }
    walk.error = decoder.Error();
    walk.endMarker = decoder.EndMarkerSeen();
    return walk;
}

TEST(SampleDemos, EveryDemoOfTheSampleGameDecodesAndConvertsForItsEngine)
{
    const std::vector<Batch> batches = ScriptBatches();
    ASSERT_EQ(batches.size(), 3u) << "the script's calls of the demo writer were not found";
    const std::string maps = "/usr/lib/openarena/baseoa/pak1-maps.pk3";
    const bool mapsThere = std::filesystem::exists(maps);
    std::set<int> protocols;
    int demos = 0;
    for (const Batch& batch : batches)
        for (const testsupport::SampleDemo& demo : testsupport::SampleDemos(batch.count, batch.seed)) {
            ++demos;
            protocols.insert(demo.protocol);
            const std::string extension = demo.name.substr(demo.name.rfind('.'));
            EXPECT_EQ(core::DemoProtocolOf(demo.bytes, extension), demo.protocol) << demo.name;
            const Walk original = WalkDemo(demo.bytes, demo.protocol);
            EXPECT_EQ(original.error, core::DecodeError::None) << demo.name;
            EXPECT_TRUE(original.endMarker) << demo.name;
            EXPECT_GT(original.snapshots, 400) << demo.name;
            EXPECT_EQ(original.invalid, 0) << demo.name;

            const core::ConvertedDemo converted =
                core::ConvertDemo(demo.bytes, demo.protocol, 68, core::GameDataForBaseFolder("baseoa"));
            ASSERT_TRUE(converted.ok) << demo.name << ": " << converted.failure;
            const Walk played = WalkDemo(converted.bytes, 68);
            EXPECT_EQ(played.error, core::DecodeError::None) << demo.name;
            EXPECT_TRUE(played.endMarker) << demo.name;
            EXPECT_EQ(played.snapshots, original.snapshots) << demo.name;
            EXPECT_EQ(played.invalid, 0) << demo.name;
            EXPECT_EQ(played.gameVersion, "baseoa-1") << demo.name;
            EXPECT_EQ(played.mapName, original.mapName) << demo.name;
            if (mapsThere) {
                core::MemberPlace place;
                EXPECT_TRUE(core::FindMemberPlace(maps, "maps\\" + played.mapName + ".bsp", place))
                    << demo.name << ": no map " << played.mapName << " in OpenArena's data";
            }
        }
    EXPECT_EQ(demos, 40);
    EXPECT_EQ(protocols, (std::set<int>{43, 45, 46, 48}));
}

} // namespace
