// What reaches the device: OpenAL Soft's "wave" back end writes everything played to a file,
// which is read back and measured.
#include "sound/OpenAlOutput.h"
#include "sound/SoundUtil.h"
#include "support/WaveBuilder.h"
#include "support/ZipBuilder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <thread>

namespace fs = std::filesystem;
using namespace core;
using testsupport::PlainWave;
using testsupport::Tone16;

namespace {

constexpr double kToneAmplitude = 0.5;
constexpr double kToneRms = kToneAmplitude / M_SQRT2;
constexpr size_t kWindow = 441; // 10 ms of the device's 44100 Hz

struct Segment {
    size_t begin = 0, end = 0; // samples
};

// Runs of 10 ms windows that hold any sound; the back end writes exact silence in between.
std::vector<Segment> SoundingSegments(const std::vector<float>& samples)
{
    std::vector<Segment> segments;
    bool inside = false;
    for (size_t at = 0; at + kWindow <= samples.size(); at += kWindow) {
        const bool sounding = testsupport::Rms(samples, at, at + kWindow) > 1e-4;
        if (sounding && !inside)
            segments.push_back({at, at + kWindow});
        else if (sounding)
            segments.back().end = at + kWindow;
        inside = sounding;
    }
    return segments;
}

double Decibels(double ratio)
{
    return 20.0 * std::log10(ratio);
}

void WaitWhilePlaying(const SoundSystem& sound, SoundChannel channel)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (sound.Playing(channel) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

class SoundOutputTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testsupport::UseWaveFileOutput(); }

    SoundOutputTest()
    {
        m_dir = fs::temp_directory_path() / ("velmora-soundout-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
        settings.game.mainPack = (m_dir / "pak0.pk3").string();
        testsupport::WriteFile(
            settings.game.mainPack,
            testsupport::BuildZip({
                {.name = "sound/misc/menu1.wav", .data = PlainWave(Tone16(440, 0.2, kToneAmplitude)), .deflate = true},
                {.name = "music/loop.wav", .data = PlainWave(Tone16(220, 0.1, kToneAmplitude))},
            }));
    }
    ~SoundOutputTest() override
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    std::vector<float> Recorded()
    {
        auto wave = testsupport::ReadWaveFile(testsupport::UseWaveFileOutput());
        EXPECT_TRUE(wave.has_value());
        if (!wave)
            return {};
        EXPECT_EQ(wave->rate, 44100u);
        return wave->samples;
    }

    SettingsRecord settings;
    fs::path m_dir;
};

TEST_F(SoundOutputTest, ButtonVolumesAreAttenuationsInHundredthsOfADecibel)
{
    {
        SoundSystem sound(settings, [](auto& output) { return OpenOpenAlOutput(nullptr, output); });
        ASSERT_TRUE(sound.Open());
        for (int volume : {0, -2500}) {
            settings.vol_menus = volume;
            ASSERT_TRUE(sound.PlayButtonSound(ButtonSound::SoundOptions));
            WaitWhilePlaying(sound, SoundChannel::ButtonSound);
            // A pause, so that the two clicks are told apart in the file.
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    } // closing the device completes the file

    const std::vector<float> samples = Recorded();
    const auto segments = SoundingSegments(samples);
    ASSERT_EQ(segments.size(), 2u);
    for (const Segment& s : segments)
        EXPECT_NEAR(static_cast<double>(s.end - s.begin) / 44100.0, 0.2, 0.03);
    // Measured away from the edges, where the windows hold part silence.
    auto level = [&](const Segment& s) { return testsupport::Rms(samples, s.begin + 2 * kWindow, s.end - 2 * kWindow); };
    EXPECT_NEAR(Decibels(level(segments[0]) / kToneRms), 0.0, 0.5);
    EXPECT_NEAR(Decibels(level(segments[0]) / level(segments[1])), 25.0, 0.5);
}

TEST_F(SoundOutputTest, MusicLoopsAndFadesIn)
{
    {
        SoundSystem sound(settings, [](auto& output) { return OpenOpenAlOutput(nullptr, output); });
        ASSERT_TRUE(sound.Open());
        // The default waiter: 50 ms of real time per step, as the window timer gives them.
        ASSERT_TRUE(sound.DirectSoundFromPak(settings.game.mainPack, "music\\loop.wav", 0));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sound.FadeOutMusic();
    }

    const std::vector<float> samples = Recorded();
    const auto segments = SoundingSegments(samples);
    ASSERT_EQ(segments.size(), 1u);
    // A 0.1 s member sounding for a second: it looped.
    EXPECT_GT(static_cast<double>(segments[0].end - segments[0].begin) / 44100.0, 0.9);
    const Segment& s = segments[0];
    const double start = testsupport::Rms(samples, s.begin + kWindow, s.begin + 3 * kWindow);
    const size_t steadyAt = s.begin + 44100 * 6 / 10; // the fade in is over after 9 steps of 50 ms
    const double steady = testsupport::Rms(samples, steadyAt, steadyAt + 10 * kWindow);
    EXPECT_NEAR(Decibels(steady / kToneRms), -25.0, 1.0);
    EXPECT_LT(Decibels(start / steady), -15.0) << "the music starts near -50 dB";
}

} // namespace
