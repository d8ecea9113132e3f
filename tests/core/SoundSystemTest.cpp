// Channels, fades and the sound options' rules over a real OpenAL output (the "wave" back end);
// fades are driven by a waiter that ticks at once instead of waiting 50 ms.
#include "core/sound/SoundSystem.h"
#include "core/sound/OpenAlOutput.h"
#include "core/sound/SoundOptions.h"
#include "support/ScratchDir.h"
#include "support/WaveBuilder.h"
#include "support/ZipBuilder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace core;
using testsupport::BuildRiff;
using testsupport::PlainWave;
using testsupport::Tone16;

namespace {

constexpr int kMusic = 0;
constexpr int kModel = 1;
const char* const kTaunt = "sound\\player\\sarge\\taunt.wav";
const char* const kLoop = "music\\loop.wav";
const char* const kNoDevice = "Velmora test: no such device";
using Flags = std::array<bool, 3>;

SoundSystem::Opener Device(const char* name = nullptr)
{
    return [name](std::unique_ptr<SoundOutput>& output) { return OpenOpenAlOutput(name, output); };
}

class SoundSystemTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testsupport::UseWaveFileOutput(); }

    SoundSystemTest()
    {
        const auto click = PlainWave(Tone16(440, 0.05, 0.5));
        auto floatWave = BuildRiff({testsupport::FmtChunk(3, 1, 22050, 32), testsupport::DataChunk({0, 0, 0, 0})});
        testsupport::WriteFile(m_pack, testsupport::BuildZip({
                                           {.name = "sound/misc/menu1.wav", .data = click, .deflate = true},
                                           {.name = "sound/misc/menu4.wav", .data = click},
                                           {.name = "sound/player/sarge/taunt.wav", .data = click},
                                           {.name = "music/loop.wav", .data = click},
                                           {.name = "bad/notwave.wav", .data = BuildRiff({}, "AVI ")},
                                           {.name = "bad/float.wav", .data = floatWave},
                                           {.name = "bad/empty.wav", .data = PlainWave({})},
                                           {.name = "bad/crc.wav", .data = click, .deflate = true, .badCrc = true},
                                       }));
        settings.game.mainPack = m_pack;
    }
    // Counts the steps and lets a test act between them, as window events would.
    void TickAtOnce(SoundSystem& sound)
    {
        sound.SetFadeWaiter([this, &sound] {
            ++ticks;
            sound.Tick();
            if (atEachTick)
                atEachTick();
        });
    }

    const testsupport::ScratchDir m_scratch;
    const fs::path m_dir = m_scratch.path();
    const std::string m_pack = (m_dir / "pak0.pk3").string();
    SettingsRecord settings;
    int ticks = 0;
    std::function<void()> atEachTick;
};

TEST_F(SoundSystemTest, RefusalsAreSilentAndTheNextSoundPlays)
{
    struct Case {
        const char* name;
        std::function<void(SettingsRecord&, SoundSystem&)> setUp;
        std::string pack;
        std::string member;
        bool previousKept; // the model channel's sound survives the refusal
    };
    const std::vector<Case> cases = {
        {"sound disabled", [](SettingsRecord& s, SoundSystem&) { s.sound_enable = false; }, m_pack, kTaunt, true},
        {"channel option off", [](SettingsRecord& s, SoundSystem&) { s.play_sounds = false; }, m_pack, kTaunt, true},
        {"output closed", [](SettingsRecord&, SoundSystem& sound) { sound.Close(); }, m_pack, kTaunt, false},
        {"no such pack", {}, (m_dir / "pak9.pk3").string(), kTaunt, true},
        {"no such member", {}, m_pack, "sound\\player\\keel\\taunt.wav", false},
        {"member named with /", {}, m_pack, "sound/player/sarge/taunt.wav", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings.sound_enable = settings.play_sounds = true;
        SoundSystem sound(settings, Device());
        ASSERT_TRUE(sound.Open());
        ASSERT_TRUE(sound.PlaySoundFromPak(m_pack, kTaunt, kModel));
        ASSERT_TRUE(sound.PlayButtonSound(ButtonSound::Help));
        if (c.setUp)
            c.setUp(settings, sound);
        const SoundPlay refused = sound.PlaySoundFromPak(c.pack, c.member, kModel);
        ASSERT_FALSE(refused);
        EXPECT_EQ(refused.code(), SoundError::NotPlayed) << "nothing to tell";
        EXPECT_EQ(sound.HasBuffer(SoundChannel::ModelSound), c.previousKept);
        EXPECT_EQ(sound.HasBuffer(SoundChannel::ButtonSound), sound.IsOpen()) << "other channels play on";

        settings.sound_enable = settings.play_sounds = true;
        ASSERT_TRUE(sound.Open());
        EXPECT_TRUE(sound.PlaySoundFromPak(m_pack, kTaunt, kModel));
    }
}

TEST_F(SoundSystemTest, FailuresAreReportedAndLeaveTheChannelEmpty)
{
    const std::vector<std::tuple<std::string, SoundError, std::string>> cases = {
        {"bad\\notwave.wav", SoundError::WaveHeader, "Not a wave file!"},
        {"bad\\float.wav", SoundError::Output,
         "Sound output call failed: 88780064\rThe specified WAVE format is not supported"},
        {"bad\\empty.wav", SoundError::Output,
         "Sound output call failed: 80070057\rAn invalid parameter was passed to the returning function."},
        {"bad\\crc.wav", SoundError::Unpack, "Memory Allocation Error in proc PlaySoundFromPak (unzipfiletomemory)"},
    };
    SoundSystem sound(settings, Device());
    ASSERT_TRUE(sound.Open());
    for (const auto& [member, code, text] : cases) {
        SCOPED_TRACE(member);
        ASSERT_TRUE(sound.PlayButtonSound(ButtonSound::Help));
        const SoundPlay failed = sound.PlaySoundFromPak(m_pack, member, 2);
        ASSERT_FALSE(failed);
        EXPECT_EQ(failed.code(), code);
        EXPECT_EQ(failed.text(), text);
        EXPECT_TRUE(Reported(failed));
        EXPECT_FALSE(sound.HasBuffer(SoundChannel::ButtonSound));
        EXPECT_TRUE(sound.PlayButtonSound(ButtonSound::TimeDemo));
    }
    // OpenAL's own errors: those with a counterpart take its text.
    EXPECT_EQ(SoundErrorText(SoundResultFromAlError(0xA004)),
              "Sound output call failed: 88780032\rThis call is not valid for the current state of this object");
    EXPECT_EQ(SoundErrorText(SoundResultFromAlError(0xA002)),
              "Sound output call failed: 0000A002\rUnrecognized error value.");
    // No text names a Windows sound library a Linux user cannot know.
    for (const SoundResult code :
         {kSoundUnsupported, kSoundGeneric, kSoundNoAggregation, kSoundOutOfMemory, kSoundInvalidParam, kSoundAllocated,
          kSoundControlUnavailable, kSoundInvalidCall, kSoundPriorityLevelNeeded, kSoundBadFormat, kSoundNoDriver,
          kSoundAlreadyInitialized, kSoundBufferLost, kSoundOtherAppHasPriority, kSoundUninitialized}) {
        const std::string text = SoundErrorText(code);
        for (const char* windows : {"DSound", "DirectSound", "Direct Sound"})
            EXPECT_EQ(text.find(windows), std::string::npos) << text;
    }
}

TEST_F(SoundSystemTest, MusicFadesInAndOutInNineTicks)
{
    auto silent = [](std::unique_ptr<SoundOutput>& output) {
        output = MakeSilentOutput();
        return kSoundOk;
    };
    for (const SoundSystem::Opener& opener : {Device(), SoundSystem::Opener(silent)}) {
        SoundSystem sound(settings, opener);
        ASSERT_TRUE(sound.Open());
        std::vector<int> volumes;
        std::vector<bool> busy;
        sound.SetFadeWaiter([&] {
            volumes.push_back(sound.BufferVolume(SoundChannel::Music));
            busy.push_back(sound.FadingOut());
            sound.Tick();
        });
        ASSERT_TRUE(sound.PlaySoundFromPak(m_pack, kLoop, kMusic));
        EXPECT_EQ(volumes, (std::vector<int>{-5000, -4700, -4400, -4100, -3800, -3500, -3200, -2900, -2600}));
        EXPECT_EQ(sound.BufferVolume(SoundChannel::Music), -2500);
        EXPECT_TRUE(sound.Playing(SoundChannel::Music)) << "music loops";

        volumes.clear();
        busy.clear();
        sound.FadeOutMusic();
        EXPECT_EQ(volumes, (std::vector<int>{-2500, -2800, -3100, -3400, -3700, -4000, -4300, -4600, -4900}));
        EXPECT_EQ(busy, std::vector<bool>(9, true)) << "closing is refused during the fade out";
        EXPECT_FALSE(sound.FadingOut());
        EXPECT_FALSE(sound.MusicPlaying());
        EXPECT_FALSE(sound.TimerRunning());
    }
}

TEST_F(SoundSystemTest, FadesFollowTheMusicVolume)
{
    SoundSystem sound(settings, Device());
    ASSERT_TRUE(sound.Open());
    TickAtOnce(sound);

    // Moved while the music plays: applied at once, and the next fade in ends there.
    ASSERT_TRUE(sound.PlaySoundFromPak(m_pack, kLoop, kMusic));
    sound.SetVolume(SoundChannel::Music, -1000);
    EXPECT_EQ(sound.BufferVolume(SoundChannel::Music), -1000);
    ticks = 0;
    ASSERT_TRUE(sound.PlaySoundFromPak(m_pack, kLoop, kMusic));
    EXPECT_EQ(ticks, 14);
    EXPECT_EQ(sound.BufferVolume(SoundChannel::Music), -1000);

    // Moved just as a fade in ends: the wait ends all the same.
    atEachTick = [&] {
        if (!sound.FadingIn())
            sound.SetVolume(SoundChannel::Music, -300);
    };
    ASSERT_TRUE(sound.PlaySoundFromPak(m_pack, kLoop, kMusic));
    EXPECT_EQ(sound.BufferVolume(SoundChannel::Music), -300);

    // Music set quieter than -5000 never gets louder than that, coming or going.
    sound.SetVolume(SoundChannel::Music, -6667);
    int loudest = kMinVolume;
    atEachTick = [&] { loudest = std::max(loudest, sound.BufferVolume(SoundChannel::Music)); };
    ASSERT_TRUE(sound.PlaySoundFromPak(m_pack, kLoop, kMusic));
    sound.FadeOutMusic();
    EXPECT_EQ(loudest, -6667);
    EXPECT_FALSE(sound.FadingOut());
}

TEST_F(SoundSystemTest, TheGuardRefusesSoundsDuringTheFadeIn)
{
    SoundSystem sound(settings, Device());
    ASSERT_TRUE(sound.Open());
    TickAtOnce(sound);
    std::vector<bool> nested;
    atEachTick = [&] {
        nested.push_back(sound.PlayButtonSound(ButtonSound::PlayIt).ok());
        nested.push_back(sound.PlaySoundFromPak(m_pack, kLoop, kMusic).ok());
    };
    ASSERT_TRUE(sound.PlaySoundFromPak(m_pack, kLoop, kMusic));
    EXPECT_EQ(nested, std::vector<bool>(18, false));
    EXPECT_FALSE(sound.HasBuffer(SoundChannel::ButtonSound));
    EXPECT_TRUE(sound.PlayButtonSound(ButtonSound::PlayIt)) << "cleared afterwards";

    // Sound switched off while the music comes up: the fade out runs inside the fade in's wait
    // and both end.
    ticks = 0;
    atEachTick = [&] {
        if (ticks == 3)
            sound.FadeOutMusic();
    };
    ASSERT_TRUE(sound.PlaySoundFromPak(m_pack, kLoop, kMusic));
    EXPECT_FALSE(sound.MusicPlaying());
    EXPECT_EQ(ticks, 6) << "from -4100 down to -5000";
    EXPECT_FALSE(sound.FadingOut());
}

TEST_F(SoundSystemTest, MapMusicAndTauntsFallBackToTheMainPack)
{
    const std::string levelPack = (m_dir / "map.pk3").string();
    const std::string modelPack = (m_dir / "model.pk3").string();
    testsupport::WriteFile(levelPack, testsupport::BuildZip({{.name = "levelshots/q3dm99.jpg", .data = {1}}}));
    testsupport::WriteFile(modelPack, testsupport::BuildZip({{.name = "sound/player/keel/taunt.wav",
                                                              .data = PlainWave(Tone16(330, 0.05, 0.5))}}));
    SoundSystem sound(settings, Device());
    ASSERT_TRUE(sound.Open());
    TickAtOnce(sound);

    EXPECT_FALSE(sound.PlayMapMusic(levelPack, "N/A"));
    EXPECT_TRUE(sound.PlayMapMusic(levelPack, "music/intro.wav music/loop.wav")) << "the loop of the pair";

    EXPECT_TRUE(sound.PlayTaunt(modelPack, "keel"));
    EXPECT_TRUE(sound.PlayTaunt(modelPack, "doom")) << "sarge's";
    EXPECT_TRUE(sound.PlayTaunt("", "keel")) << "sarge's";
    // A member that is there but cannot play is reported; the main pack does not stand in.
    const std::string badPack = (m_dir / "bad.pk3").string();
    testsupport::WriteFile(
        badPack, testsupport::BuildZip({{.name = "sound/player/keel/taunt.wav", .data = BuildRiff({}, "AVI ")},
                                        {.name = "music/loop.wav", .data = BuildRiff({}, "AVI ")}}));
    for (const SoundPlay& failed : {sound.PlayTaunt(badPack, "keel"), sound.PlayMapMusic(badPack, "music/loop.wav")}) {
        ASSERT_FALSE(failed);
        EXPECT_EQ(failed.code(), SoundError::WaveHeader);
    }
    fs::remove(m_pack);
    EXPECT_TRUE(sound.PlayTaunt(modelPack, "keel"));
    EXPECT_FALSE(sound.PlayTaunt(modelPack, "doom"));
}

TEST_F(SoundSystemTest, AnOutputThatCannotOpenSwitchesSoundOff)
{
    SoundSystem sound(settings, Device(kNoDevice), [] { return OpenAlDeviceName(kNoDevice); });
    EXPECT_FALSE(sound.OpenAtStartUp());
    EXPECT_FALSE(settings.sound_enable);
    // The report waits for the window, which tells it without holding up the start.
    EXPECT_EQ(sound.FailureText(), SoundOffText(kNoDevice));
    EXPECT_NE(sound.FailureText().find("OpenAL could not open the sound device \"Velmora test: no such device\""),
              std::string::npos);
    EXPECT_NE(SoundOffText("").find("OpenAL could not open a sound device."), std::string::npos);

    // The options window tells only in its title, and can still be closed.
    SoundOptions control(sound, {});
    control.Open();
    EXPECT_EQ(control.State().channelBoxEnabled, (Flags{false, false, false}));
    EXPECT_EQ(control.State().report, sound.FailureText()) << "sound is off for a reason";
    EXPECT_FALSE(control.State().enableSound);
    control.EnableSoundClicked(true);
    EXPECT_EQ(control.State().title, "Sound Options: OpenAL Initialisation failed");
    EXPECT_FALSE(control.State().enableSound) << "the box shows the real state";
    EXPECT_EQ(control.State().report, sound.FailureText());
    EXPECT_FALSE(settings.sound_enable);
    EXPECT_EQ(control.State().sliderEnabled, (Flags{false, false, false}));
    EXPECT_TRUE(control.CanClose());
}

// The sound options window over a properties window that plays the map's music.
class SoundOptionsTest : public SoundSystemTest {
protected:
    SoundOptionsTest()
    {
        TickAtOnce(sound);
        atEachTick = [this] { shownDuringFades.push_back(control.State()); };
        EXPECT_TRUE(sound.Open());
        EXPECT_TRUE(sound.PlayMapMusic(m_pack, "music/loop.wav"));
        control.Open();
        shownDuringFades.clear();
    }

    SoundSystem sound{settings, Device()};
    int musicStarts = 0;
    SoundOptions control{sound,
                         {.propertiesOpen = [] { return true; },
                          .startMapMusic =
                              [this] {
                                  ++musicStarts;
                                  sound.PlayMapMusic(m_pack, "music/loop.wav");
                              }}};
    std::vector<SoundOptionsState> shownDuringFades;
};

TEST_F(SoundOptionsTest, SwitchingSoundOffAndOnStopsAndRestartsTheMusic)
{
    settings.play_sounds = false;
    control.EnableSoundClicked(false);
    ASSERT_EQ(shownDuringFades.size(), 9u);
    EXPECT_TRUE(shownDuringFades[0].changeInProgress) << "closing refused";
    EXPECT_FALSE(shownDuringFades[0].closeEnabled);
    EXPECT_FALSE(sound.MusicPlaying());
    EXPECT_FALSE(sound.IsOpen());
    EXPECT_EQ(control.State().title, "Sound Options: OpenAL uninitialised");
    EXPECT_EQ(control.State().channelBoxEnabled, (Flags{false, false, false}));
    EXPECT_TRUE(control.CanClose());

    shownDuringFades.clear();
    control.EnableSoundClicked(true);
    EXPECT_TRUE(sound.IsOpen());
    EXPECT_TRUE(settings.sound_enable);
    EXPECT_EQ(musicStarts, 1);
    EXPECT_TRUE(sound.MusicPlaying());
    ASSERT_EQ(shownDuringFades.size(), 9u);
    EXPECT_FALSE(shownDuringFades[0].channelBoxEnabled[0]) << "Map Music waits for the music to start";
    EXPECT_FALSE(shownDuringFades[0].closeEnabled);
    EXPECT_EQ(control.State().title, "Sound Options: OpenAL successfully initialised");
    EXPECT_EQ(control.State().channelBoxEnabled, (Flags{true, true, true}));
    EXPECT_EQ(control.State().sliderEnabled, (Flags{true, false, true}));
    EXPECT_TRUE(control.CanClose());
}

TEST_F(SoundOptionsTest, ChannelBoxesAndSliders)
{
    control.MapMusicClicked(false);
    EXPECT_EQ(shownDuringFades.size(), 9u);
    EXPECT_FALSE(sound.MusicPlaying());
    EXPECT_FALSE(settings.play_musics);
    EXPECT_EQ(control.State().sliderEnabled, (Flags{false, true, true}));
    control.MapMusicClicked(true);
    EXPECT_EQ(musicStarts, 1);
    EXPECT_TRUE(sound.MusicPlaying());

    control.SliderMoved(SoundChannel::Music, -1200);
    EXPECT_EQ(sound.BufferVolume(SoundChannel::Music), -1200);
    ASSERT_TRUE(sound.PlayTaunt("", "sarge"));
    control.ModelSoundClicked(false);
    EXPECT_FALSE(settings.play_sounds);
    EXPECT_FALSE(control.State().sliderEnabled[1]);
    EXPECT_TRUE(sound.HasBuffer(SoundChannel::ModelSound)) << "what plays is not stopped";
}

} // namespace
