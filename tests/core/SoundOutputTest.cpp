// What reaches the device: OpenAL Soft's "wave" back end writes everything played to a file,
// which is read back and measured.
#include "core/sound/OpenAlOutput.h"
#include "core/sound/SoundSystem.h"
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

TEST(SoundOutputTest, ClicksAndMusicReachTheDeviceAtTheirVolumes)
{
    const fs::path recording = testsupport::UseWaveFileOutput();
    const fs::path pack = recording.parent_path() / "pak0.pk3";
    testsupport::WriteFile(
        pack,
        testsupport::BuildZip({
            {.name = "sound/misc/menu1.wav", .data = PlainWave(Tone16(440, 0.2, kToneAmplitude)), .deflate = true},
            {.name = "music/loop.wav", .data = PlainWave(Tone16(220, 0.1, kToneAmplitude))},
        }));
    SettingsRecord settings;
    settings.game.mainPack = pack.string();
    {
        SoundSystem sound(settings, [](auto& output) { return OpenOpenAlOutput(nullptr, output); });
        ASSERT_TRUE(sound.Open());
        for (int volume : {0, -2500}) {
            settings.vol_menus = volume;
            ASSERT_TRUE(sound.PlayButtonSound(ButtonSound::SoundOptions));
            WaitWhilePlaying(sound, SoundChannel::ButtonSound);
            // A pause, so that the sounds are told apart in the file.
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        // The default waiter: 50 ms of real time per fade step, as the window timer gives them.
        ASSERT_TRUE(sound.PlayMapMusic(settings.game.mainPack, "music/loop.wav"));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sound.FadeOutMusic();
    } // closing the device completes the file

    const auto wave = testsupport::ReadWaveFile(recording);
    ASSERT_TRUE(wave.has_value());
    ASSERT_EQ(wave->rate, 44100u);
    const std::vector<float>& samples = wave->samples;
    const auto segments = SoundingSegments(samples);
    ASSERT_EQ(segments.size(), 3u);
    auto seconds = [](const Segment& s) { return static_cast<double>(s.end - s.begin) / 44100.0; };
    // Measured away from the edges, where the windows hold part silence.
    auto level = [&](size_t from, size_t to) {
        return testsupport::Rms(samples, from + 2 * kWindow, to - 2 * kWindow);
    };

    // Volumes are attenuations in hundredths of a decibel: the clicks lie 25 dB apart.
    EXPECT_NEAR(seconds(segments[0]), 0.2, 0.03);
    EXPECT_NEAR(seconds(segments[1]), 0.2, 0.03);
    const double loud = level(segments[0].begin, segments[0].end);
    EXPECT_NEAR(Decibels(loud / kToneRms), 0.0, 0.5);
    EXPECT_NEAR(Decibels(loud / level(segments[1].begin, segments[1].end)), 25.0, 0.5);

    // The 0.1 s music member sounds for a second: it looped, coming up from near -50 dB to -25 dB.
    const Segment& music = segments[2];
    EXPECT_GT(seconds(music), 0.9);
    const size_t steadyAt = music.begin + 44100 * 6 / 10; // after 9 steps of 50 ms
    const double steady = level(steadyAt, steadyAt + 14 * kWindow);
    EXPECT_NEAR(Decibels(steady / kToneRms), -25.0, 1.0);
    EXPECT_LT(Decibels(level(music.begin, music.begin + 5 * kWindow) / steady), -15.0);
}

} // namespace
