#include "sound/SoundUtil.h"
#include "common/Globals.h"
#include "sound/OpenAlOutput.h"
#include "support/Recorder.h"
#include "support/WaveBuilder.h"
#include "support/ZipBuilder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace core;
using testsupport::BuildRiff;
using testsupport::DataChunk;
using testsupport::FmtChunk;
using testsupport::PlainWave;
using testsupport::Tone16;

namespace {

constexpr int kMusic = 0;
constexpr int kModel = 1;
constexpr int kButton = 2;

SoundSystem::Opener OpenAlDevice(const char* name = nullptr)
{
    return [name](std::unique_ptr<SoundOutput>& output) { return OpenOpenAlOutput(name, output); };
}

SoundSystem::Opener Silent()
{
    return [](std::unique_ptr<SoundOutput>& output) {
        output = MakeSilentOutput();
        return kSoundOk;
    };
}

// A main pack with the sounds the program asks for, and a few damaged ones.
class SoundSystemTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testsupport::UseWaveFileOutput(); }

    SoundSystemTest()
    {
        static std::atomic<int> counter{0};
        m_dir = fs::temp_directory_path() /
                ("velmora-soundsys-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fs::create_directories(m_dir);
        m_pack = (m_dir / "pak0.pk3").string();
        settings.game.mainPack = m_pack;
        const auto click = PlainWave(Tone16(440, 0.05, 0.5));
        std::vector<uint8_t> damaged = click;
        testsupport::WriteFile(settings.game.mainPack,
                               testsupport::BuildZip({
                                   {.name = "sound/misc/menu1.wav", .data = click, .deflate = true},
                                   {.name = "sound/misc/menu4.wav", .data = click},
                                   {.name = "sound/player/sarge/taunt.wav", .data = click},
                                   {.name = "music/loop.wav", .data = PlainWave(Tone16(220, 0.1, 0.5))},
                                   {.name = "sound/bad/notwave.wav", .data = BuildRiff({}, "AVI ")},
                                   {.name = "sound/bad/float.wav",
                                    .data = BuildRiff({FmtChunk(3, 1, 22050, 32), DataChunk(std::vector<uint8_t>(64))})},
                                   {.name = "sound/bad/empty.wav", .data = PlainWave({})},
                                   {.name = "sound/bad/crc.wav", .data = click, .deflate = true, .badCrc = true},
                               }));
        BusyCount = 0;
    }
    ~SoundSystemTest() override
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    const std::string& Pack() const { return m_pack; }
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    SettingsRecord settings;
    fs::path m_dir;
    std::string m_pack;
};

TEST_F(SoundSystemTest, RefusalsAreSilentAndTheNextSoundPlays)
{
    struct Case {
        const char* name;
        std::function<void(SettingsRecord&, SoundSystem&)> setUp;
        std::string pack; // "" main pack
        std::string member;
        int channel;
        bool modelSoundKept; // the channel's previous sound survives the refusal
    };
    const std::vector<Case> cases = {
        {"sound disabled", [](SettingsRecord& s, SoundSystem&) { s.sound_enable = false; }, "",
         "sound\\player\\sarge\\taunt.wav", kModel, true},
        {"channel option off", [](SettingsRecord& s, SoundSystem&) { s.play_sounds = false; }, "",
         "sound\\player\\sarge\\taunt.wav", kModel, true},
        {"output closed", [](SettingsRecord&, SoundSystem& sound) { sound.Close(); }, "",
         "sound\\player\\sarge\\taunt.wav", kModel, false},
        {"no such pack", {}, "missing.pk3", "sound\\player\\sarge\\taunt.wav", kModel, true},
        {"no such member", {}, "", "sound\\player\\keel\\taunt.wav", kModel, false},
        {"separator of the archive", {}, "", "sound/player/sarge/taunt.wav", kModel, false},
        {"no such channel", {}, "", "sound\\player\\sarge\\taunt.wav", 3, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings = SettingsRecord{};
        settings.game.mainPack = Pack();
        SoundSystem sound(settings, OpenAlDevice());
        ASSERT_TRUE(sound.Open());
        ASSERT_TRUE(sound.DirectSoundFromPak(Pack(), "sound\\player\\sarge\\taunt.wav", kModel));
        ASSERT_TRUE(sound.PlayButtonSound(ButtonSound::Help));
        testsupport::RecordingSink sink;
        if (c.setUp)
            c.setUp(settings, sound);
        const std::string pack = c.pack.empty() ? Pack() : Path(c.pack);
        EXPECT_FALSE(sound.DirectSoundFromPak(pack, c.member, c.channel));
        EXPECT_TRUE(sink.shown.empty());
        EXPECT_EQ(sound.HasBuffer(SoundChannel::ModelSound), c.modelSoundKept);
        if (sound.IsOpen()) {
            EXPECT_TRUE(sound.HasBuffer(SoundChannel::ButtonSound)) << "other channels play on";
        }

        settings = SettingsRecord{};
        settings.game.mainPack = Pack();
        ASSERT_TRUE(sound.Open());
        EXPECT_TRUE(sound.DirectSoundFromPak(Pack(), "sound\\player\\sarge\\taunt.wav", kModel));
    }
}

TEST_F(SoundSystemTest, FailuresAreShownAndLeaveTheChannelEmpty)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"sound\\bad\\notwave.wav", "Not a wave file!"},
        {"sound\\bad\\float.wav", "DirectSound call failed: 88780064\rThe specified WAVE format is not supported"},
        {"sound\\bad\\empty.wav",
         "DirectSound call failed: 80070057\rAn invalid parameter was passed to the returning function."},
        {"sound\\bad\\crc.wav", "Memory Allocation Error in proc DirectSoundFromPak (unzipfiletomemory)"},
    };
    SoundSystem sound(settings, OpenAlDevice());
    ASSERT_TRUE(sound.Open());
    for (const auto& [member, text] : cases) {
        SCOPED_TRACE(member);
        ASSERT_TRUE(sound.PlayButtonSound(ButtonSound::Help));
        testsupport::RecordingSink sink;
        EXPECT_FALSE(sound.DirectSoundFromPak(Pack(), member, kButton));
        ASSERT_EQ(sink.shown.size(), 1u);
        EXPECT_EQ(sink.shown[0].kind, "error");
        EXPECT_EQ(sink.shown[0].text, text);
        EXPECT_EQ(sink.shown[0].title, "Debug");
        EXPECT_FALSE(sound.HasBuffer(SoundChannel::ButtonSound));
        EXPECT_TRUE(sound.PlayButtonSound(ButtonSound::TimeDemo));
    }
}

TEST_F(SoundSystemTest, OpenAlErrorsWithoutCounterpartAreUnrecognized)
{
    EXPECT_EQ(SoundErrorText(SoundResultFromAlError(0xA003)),
              "DirectSound call failed: 80070057\rAn invalid parameter was passed to the returning function.");
    EXPECT_EQ(SoundErrorText(SoundResultFromAlError(0xA004)),
              "DirectSound call failed: 88780032\rThis call is not valid for the current state of this object");
    EXPECT_EQ(SoundErrorText(SoundResultFromAlError(0xA002)), "DirectSound call failed: 0000A002\rUnrecognized error value.");
}

// The fade steps, driven by a waiter that ticks at once instead of waiting 50 ms.
TEST_F(SoundSystemTest, MusicFadesInAndOutInNineTicks)
{
    for (auto opener : {OpenAlDevice(), Silent()}) {
        SoundSystem sound(settings, opener);
        ASSERT_TRUE(sound.Open());
        std::vector<int> volumes;
        std::vector<int> busy;
        sound.SetFadeWaiter([&] {
            volumes.push_back(sound.BufferVolume(SoundChannel::Music));
            busy.push_back(BusyCount);
            sound.Tick();
        });

        ASSERT_TRUE(sound.DirectSoundFromPak(Pack(), "music\\loop.wav", kMusic));
        EXPECT_EQ(volumes.size(), 9u);
        EXPECT_EQ(volumes.front(), -5000);
        EXPECT_EQ(sound.BufferVolume(SoundChannel::Music), -2500);
        EXPECT_TRUE(sound.Playing(SoundChannel::Music)) << "music loops";
        EXPECT_FALSE(sound.TimerRunning());

        volumes.clear();
        busy.clear();
        sound.FadeOutMusic();
        EXPECT_EQ(volumes, (std::vector<int>{-2500, -2800, -3100, -3400, -3700, -4000, -4300, -4600, -4900}));
        EXPECT_EQ(busy, std::vector<int>(9, 1)) << "the busy count refuses closing during the fade out";
        EXPECT_EQ(BusyCount, 0);
        EXPECT_FALSE(sound.MusicPlaying());
        EXPECT_FALSE(sound.TimerRunning());
    }
}

TEST_F(SoundSystemTest, FadesFollowTheMusicVolume)
{
    SoundSystem sound(settings, OpenAlDevice());
    ASSERT_TRUE(sound.Open());
    int ticks = 0;
    int loudest = kMinVolume;
    std::function<void()> atEachTick;
    sound.SetFadeWaiter([&] {
        ++ticks;
        sound.Tick();
        loudest = std::max(loudest, sound.BufferVolume(SoundChannel::Music));
        if (atEachTick)
            atEachTick();
    });

    // A slider moved while the music plays applies at once, and the next fade in ends there.
    ASSERT_TRUE(sound.DirectSoundFromPak(Pack(), "music\\loop.wav", kMusic));
    sound.SetVolume(SoundChannel::Music, -1000);
    EXPECT_EQ(sound.BufferVolume(SoundChannel::Music), -1000);
    ticks = 0;
    ASSERT_TRUE(sound.DirectSoundFromPak(Pack(), "music\\loop.wav", kMusic));
    EXPECT_EQ(ticks, 14);
    EXPECT_EQ(sound.BufferVolume(SoundChannel::Music), -1000);

    // Moved again just as a fade in ends: the wait still ends.
    atEachTick = [&] {
        if (!sound.FadingIn())
            sound.SetVolume(SoundChannel::Music, -300);
    };
    ASSERT_TRUE(sound.DirectSoundFromPak(Pack(), "music\\loop.wav", kMusic));
    EXPECT_EQ(sound.BufferVolume(SoundChannel::Music), -300);
    atEachTick = nullptr;
    sound.FadeOutMusic();

    // Music quieter than -5000 never gets louder than it is set, coming or going.
    sound.SetVolume(SoundChannel::Music, -6667);
    loudest = kMinVolume;
    ASSERT_TRUE(sound.DirectSoundFromPak(Pack(), "music\\loop.wav", kMusic));
    sound.FadeOutMusic();
    EXPECT_EQ(loudest, -6667);
    EXPECT_EQ(BusyCount, 0);
}

TEST_F(SoundSystemTest, NoOtherSoundPlaysDuringTheFadeIn)
{
    SoundSystem sound(settings, OpenAlDevice());
    ASSERT_TRUE(sound.Open());
    std::vector<bool> nested;
    sound.SetFadeWaiter([&] {
        nested.push_back(sound.PlayButtonSound(ButtonSound::PlayIt));
        nested.push_back(sound.DirectSoundFromPak(Pack(), "music\\loop.wav", kMusic));
        sound.Tick();
    });
    ASSERT_TRUE(sound.DirectSoundFromPak(Pack(), "music\\loop.wav", kMusic));
    EXPECT_EQ(nested, std::vector<bool>(18, false));
    EXPECT_FALSE(sound.HasBuffer(SoundChannel::ButtonSound));
    EXPECT_TRUE(sound.PlayButtonSound(ButtonSound::PlayIt)) << "the guard is cleared afterwards";
}

TEST_F(SoundSystemTest, FadeOutDuringTheFadeInEndsBoth)
{
    // Switching sound off while the music comes up: the fade out runs inside the fade in's wait.
    SoundSystem sound(settings, OpenAlDevice());
    ASSERT_TRUE(sound.Open());
    int ticks = 0;
    bool inWaiter = false;
    sound.SetFadeWaiter([&] {
        ++ticks;
        sound.Tick();
        if (ticks == 3 && !inWaiter) {
            inWaiter = true;
            sound.FadeOutMusic();
            inWaiter = false;
        }
    });
    ASSERT_TRUE(sound.DirectSoundFromPak(Pack(), "music\\loop.wav", kMusic));
    EXPECT_FALSE(sound.MusicPlaying());
    EXPECT_EQ(ticks, 6) << "from -4100 down to -5000";
    EXPECT_EQ(BusyCount, 0);
    EXPECT_FALSE(sound.TimerRunning());
}

TEST_F(SoundSystemTest, MapMusicAndTauntsFallBackToTheMainPack)
{
    const std::string levelPack = Path("map-pack.pk3");
    const std::string modelPack = Path("model-pack.pk3");
    testsupport::WriteFile(levelPack, testsupport::BuildZip({{.name = "levelshots/q3dm99.jpg", .data = {1, 2}}}));
    testsupport::WriteFile(modelPack, testsupport::BuildZip({{.name = "sound/player/keel/taunt.wav",
                                                              .data = PlainWave(Tone16(330, 0.05, 0.5))}}));
    settings.vol_sounds = -700;
    SoundSystem sound(settings, OpenAlDevice());
    ASSERT_TRUE(sound.Open());
    sound.SetFadeWaiter([&] { sound.Tick(); });

    EXPECT_FALSE(sound.PlayMapMusic(levelPack, "N/A"));
    // An intro and loop pair plays the loop, found in the main pack after the level shot's pack.
    EXPECT_TRUE(sound.PlayMapMusic(levelPack, "music/intro.wav music/loop.wav"));
    EXPECT_TRUE(sound.MusicPlaying());

    // The model's own taunt; an unknown model and no pack at all both give sarge's.
    EXPECT_TRUE(sound.PlayTaunt(modelPack, "keel"));
    EXPECT_TRUE(sound.PlayTaunt(modelPack, "doom"));
    EXPECT_TRUE(sound.PlayTaunt("", "keel"));
    EXPECT_EQ(sound.BufferVolume(SoundChannel::ModelSound), -700);
    fs::remove(Pack());
    EXPECT_TRUE(sound.PlayTaunt(modelPack, "keel"));
    EXPECT_FALSE(sound.PlayTaunt(modelPack, "doom"));
    EXPECT_FALSE(sound.HasBuffer(SoundChannel::ModelSound));
}

TEST_F(SoundSystemTest, OutputThatCannotOpenSwitchesSoundOff)
{
    {
        SoundSystem sound(settings, OpenAlDevice("Velmora test: no such device"));
        testsupport::RecordingSink sink;
        EXPECT_FALSE(sound.OpenAtStartUp());
        EXPECT_FALSE(settings.sound_enable);
        EXPECT_EQ(sound.LastOpenError(), kSoundNoDriver);
        ASSERT_EQ(sink.shown.size(), 1u);
        EXPECT_EQ(sink.shown[0].text, "DirectSound Initialisation failed");
        EXPECT_EQ(sink.shown[0].title, "Debug");
        EXPECT_FALSE(sound.PlayButtonSound(ButtonSound::Help));
    }
    settings.sound_enable = true;
    SoundSystem sound(settings, OpenAlDevice());
    EXPECT_TRUE(sound.OpenAtStartUp());
    EXPECT_TRUE(sound.PlayButtonSound(ButtonSound::Help));
}

} // namespace
