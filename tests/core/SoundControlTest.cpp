#include "sound/sndctrl.h"
#include "common/Globals.h"
#include "sound/OpenAlOutput.h"
#include "support/Recorder.h"
#include "support/WaveBuilder.h"
#include "support/ZipBuilder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace core;
using testsupport::PlainWave;
using testsupport::Tone16;

namespace {

using Flags = std::array<bool, 3>;

SoundSystem::Opener Device(const char* name = nullptr)
{
    return [name](std::unique_ptr<SoundOutput>& output) { return OpenOpenAlOutput(name, output); };
}

// The sound options window's rules over a real output, with a properties window that is open
// and plays "music/loop.wav" when asked to.
class SoundControlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testsupport::UseWaveFileOutput(); }

    SoundControlTest()
    {
        m_dir = fs::temp_directory_path() / ("velmora-sndctrl-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
        settings.game.mainPack = (m_dir / "pak0.pk3").string();
        const auto tone = PlainWave(Tone16(440, 0.05, 0.5));
        testsupport::WriteFile(settings.game.mainPack,
                               testsupport::BuildZip({{.name = "music/loop.wav", .data = tone},
                                                      {.name = "sound/player/sarge/taunt.wav", .data = tone}}));
        BusyCount = 0;
    }
    ~SoundControlTest() override
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    // A window on `sound` whose fades record what the window showed meanwhile.
    SoundControl& MakeControl(SoundSystem& sound)
    {
        m_control = std::make_unique<SoundControl>(
            sound, SoundControlHooks{.propertiesOpen = [this] { return propertiesOpen; },
                                     .startMapMusic = [this, &sound] {
                                         ++musicStarts;
                                         sound.PlayMapMusic(settings.game.mainPack, "music/loop.wav");
                                     }});
        sound.SetFadeWaiter([this, &sound] {
            duringFades.push_back(m_control->State());
            canCloseDuringFades.push_back(m_control->CanClose());
            sound.Tick();
        });
        return *m_control;
    }
    void ForgetFades()
    {
        duringFades.clear();
        canCloseDuringFades.clear();
    }

    SettingsRecord settings;
    fs::path m_dir;
    bool propertiesOpen = true;
    int musicStarts = 0;
    std::vector<SoundControlState> duringFades;
    std::vector<bool> canCloseDuringFades;
    std::unique_ptr<SoundControl> m_control;
};

TEST_F(SoundControlTest, OpeningShowsTheOptionsAndSwitchesNothing)
{
    struct Case {
        const char* name;
        bool enabled;
        Flags options;
        Flags boxesEnabled;
        Flags slidersEnabled;
    };
    const std::vector<Case> cases = {
        {"all on", true, {true, true, true}, {true, true, true}, {true, true, true}},
        {"map music off", true, {false, true, true}, {true, true, true}, {false, true, true}},
        {"sound off", false, {true, true, false}, {false, false, false}, {false, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings.sound_enable = c.enabled;
        settings.play_musics = c.options[0];
        settings.play_sounds = c.options[1];
        settings.play_menus = c.options[2];
        settings.vol_musics = -100;
        settings.vol_sounds = -2500;
        settings.vol_menus = -6600;
        SoundSystem sound(settings, Device());
        SoundControl& control = MakeControl(sound);
        control.Open();
        const SoundControlState& state = control.State();
        EXPECT_FALSE(sound.IsOpen());
        EXPECT_EQ(state.title, "Sound Options");
        EXPECT_EQ(state.enableSound, c.enabled);
        EXPECT_EQ(state.channelChecked, c.options);
        EXPECT_EQ(state.channelBoxEnabled, c.boxesEnabled);
        EXPECT_EQ(state.sliderEnabled, c.slidersEnabled);
        EXPECT_EQ(state.sliderValue, (std::array<int, 3>{-100, -2500, -6600}));
        EXPECT_TRUE(control.CanClose());
    }
}

TEST_F(SoundControlTest, SwitchingSoundOffAndOnStopsAndRestartsTheMapMusic)
{
    settings.play_sounds = false;
    SoundSystem sound(settings, Device());
    SoundControl& control = MakeControl(sound);
    ASSERT_TRUE(sound.Open());
    ASSERT_TRUE(sound.PlayMapMusic(settings.game.mainPack, "music/loop.wav"));
    control.Open();
    ForgetFades();

    control.EnableSoundClicked(false);
    ASSERT_FALSE(duringFades.empty());
    for (const SoundControlState& shown : duringFades) {
        EXPECT_TRUE(shown.changeInProgress);
        EXPECT_FALSE(shown.closeEnabled);
    }
    EXPECT_EQ(canCloseDuringFades, std::vector<bool>(duringFades.size(), false));
    EXPECT_FALSE(sound.MusicPlaying());
    EXPECT_FALSE(sound.IsOpen());
    EXPECT_FALSE(settings.sound_enable);
    EXPECT_EQ(control.State().title, "Sound Options: DirectSound uninitialised");
    EXPECT_EQ(control.State().channelBoxEnabled, (Flags{false, false, false}));
    EXPECT_EQ(control.State().sliderEnabled, (Flags{false, false, false}));
    EXPECT_TRUE(control.CanClose());
    EXPECT_EQ(BusyCount, 0);

    ForgetFades();
    control.EnableSoundClicked(true);
    EXPECT_TRUE(sound.IsOpen());
    EXPECT_TRUE(settings.sound_enable);
    EXPECT_EQ(musicStarts, 1);
    EXPECT_TRUE(sound.MusicPlaying());
    ASSERT_FALSE(duringFades.empty());
    for (const SoundControlState& shown : duringFades) {
        EXPECT_FALSE(shown.channelBoxEnabled[0]) << "Map Music waits for the music to start";
        EXPECT_FALSE(shown.closeEnabled);
    }
    EXPECT_EQ(control.State().title, "Sound Options: DirectSound successfully initialised");
    EXPECT_EQ(control.State().channelBoxEnabled, (Flags{true, true, true}));
    EXPECT_EQ(control.State().sliderEnabled, (Flags{true, false, true}));
    EXPECT_TRUE(control.CanClose());
}

TEST_F(SoundControlTest, FailedOpeningIsShownInTheTitleOnly)
{
    settings.sound_enable = false;
    SoundSystem sound(settings, Device("Velmora test: no such device"));
    SoundControl& control = MakeControl(sound);
    control.Open();
    testsupport::RecordingSink sink;

    control.EnableSoundClicked(true);
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_EQ(control.State().title, "Sound Options: DirectSound Initialisation failed");
    EXPECT_FALSE(settings.sound_enable);
    EXPECT_EQ(control.State().channelBoxEnabled, (Flags{false, false, false}));
    EXPECT_EQ(control.State().sliderEnabled, (Flags{false, false, false}));
    EXPECT_TRUE(control.CanClose());
    EXPECT_EQ(musicStarts, 0);
}

TEST_F(SoundControlTest, MapMusicBoxFadesOutAndRestarts)
{
    SoundSystem sound(settings, Device());
    SoundControl& control = MakeControl(sound);
    ASSERT_TRUE(sound.Open());
    ASSERT_TRUE(sound.PlayMapMusic(settings.game.mainPack, "music/loop.wav"));
    control.Open();
    ForgetFades();

    control.MapMusicClicked(false);
    ASSERT_EQ(duringFades.size(), 9u);
    EXPECT_FALSE(duringFades[0].channelBoxEnabled[0]);
    EXPECT_FALSE(duringFades[0].closeEnabled);
    EXPECT_FALSE(sound.MusicPlaying());
    EXPECT_FALSE(settings.play_musics);
    EXPECT_FALSE(control.State().sliderEnabled[0]);
    EXPECT_TRUE(control.State().channelBoxEnabled[0]);

    propertiesOpen = false;
    control.MapMusicClicked(true);
    EXPECT_EQ(musicStarts, 0) << "no properties window, no music";
    EXPECT_TRUE(control.State().sliderEnabled[0]);
    control.MapMusicClicked(false);
    propertiesOpen = true;
    control.MapMusicClicked(true);
    EXPECT_EQ(musicStarts, 1);
    EXPECT_TRUE(sound.MusicPlaying());
    EXPECT_TRUE(settings.play_musics);
    EXPECT_FALSE(control.State().changeInProgress);
}

TEST_F(SoundControlTest, ChannelBoxesAndSlidersActAtOnce)
{
    SoundSystem sound(settings, Device());
    SoundControl& control = MakeControl(sound);
    ASSERT_TRUE(sound.Open());
    ASSERT_TRUE(sound.PlayMapMusic(settings.game.mainPack, "music/loop.wav"));
    ASSERT_TRUE(sound.PlayTaunt("", "sarge"));
    control.Open();

    control.SliderMoved(SoundChannel::Music, -1200);
    EXPECT_EQ(sound.BufferVolume(SoundChannel::Music), -1200);
    EXPECT_EQ(settings.vol_musics, -1200);
    control.SliderMoved(SoundChannel::ButtonSound, -9000);
    EXPECT_EQ(settings.vol_menus, -6667);

    control.ModelSoundClicked(false);
    EXPECT_FALSE(settings.play_sounds);
    EXPECT_FALSE(control.State().sliderEnabled[1]);
    EXPECT_TRUE(sound.HasBuffer(SoundChannel::ModelSound)) << "what plays is not stopped";
    control.ButtonSoundClicked(false);
    EXPECT_FALSE(settings.play_menus);
    EXPECT_FALSE(sound.PlayButtonSound(ButtonSound::Help));
    control.ButtonSoundClicked(true);
    EXPECT_TRUE(control.State().sliderEnabled[2]);
}

} // namespace
