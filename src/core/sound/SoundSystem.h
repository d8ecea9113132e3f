#pragma once
// Sounds taken from the game's packs: button clicks, the player model's taunt and the map's
// music. Three channels play independently; each holds at most one sound, and a new sound on a
// channel ends the one before. The music loops and fades in and out under a 50 ms timer that
// the program's window timer drives through Tick().
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "core/common/Result.h"
#include "core/settings/Settings.h"
#include "core/sound/SoundOutput.h"

namespace core {

enum class SoundChannel : int {
    Music = 0,       // map music, looping, option play_musics, volume vol_musics
    ModelSound = 1,  // taunts and the about box's sounds, option play_sounds, volume vol_sounds
    ButtonSound = 2, // button clicks, option play_menus, volume vol_menus
};
inline constexpr int kSoundChannelCount = 3;

// Fades move the music by 300 per tick from or down to -5000.
inline constexpr int kFadeStep = 300;
inline constexpr int kFadeFloor = -5000;
inline constexpr int kFadeTickMilliseconds = 50;

inline constexpr const char* kSoundDebugTitle = "Debug";
inline constexpr const char* kSoundUnpackErrorText =
    "Memory Allocation Error in proc PlaySoundFromPak (unzipfiletomemory)";

// Why a sound did not play. NotPlayed is nothing to tell the user (sound or the channel off, the
// pack or the member missing, another sound being started); the others are shown with the title
// kSoundDebugTitle and the failure's text.
enum class SoundError {
    NotPlayed,
    Unpack,     // the member could not be unpacked (kSoundUnpackErrorText)
    WaveHeader, // the member is no wave file the output can take
    Output,     // the sound output refused a step
};
// Played (Done), or why not.
using SoundPlay = Result<Done, SoundError>;
// True when the failure is one the user is told about.
inline bool Reported(const SoundPlay& played)
{
    return !played && played.code() != SoundError::NotPlayed;
}

// The commands whose buttons click before doing their work.
enum class ButtonSound {
    SavePlayList,
    ShowPlayList,
    PlayIt, // the button and both menu entries
    SoundOptions,
    LoadPlayList,
    PlaybackKeys,
    GlobalParameters,
    Help,
    TipOfTheDay,
    DemoListColumns,
    PlayListColumns,
    PlayPlayList,
    ReadOnlyMode, // the three toggle buttons click differently
    TimeDemo,
    LoopDemos,
};
// What the user is told when the sound output cannot be opened: the sound library and the device
// it tried (empty: the default device), and how to get sound back.
std::string SoundOffText(const std::string& deviceName);

// The member of the main pack each command plays.
const char* ButtonSoundMember(ButtonSound command);

// The member to play for a demo's music entry: "/" turned into "\", and of an intro and loop
// pair ("music/x_intro.wav music/x_loop.wav") the loop alone.
std::string MusicMemberFromEntry(const std::string& musicEntry);

// The option and the volume option of a channel in the settings record.
bool& ChannelOption(SettingsRecord& settings, SoundChannel channel);
int& ChannelVolume(SettingsRecord& settings, SoundChannel channel);

class SoundSystem {
public:
    using Opener = std::function<SoundResult(std::unique_ptr<SoundOutput>&)>;
    // The name of the device the opener opens, for the user's report; empty for the default.
    using DeviceName = std::function<std::string()>;

    // Reads and changes the sound options of `settings`; `opener` opens the output.
    SoundSystem(SettingsRecord& settings, Opener opener, DeviceName deviceName = {});
    // The output is opened from now on by `opener`, on the device `deviceName` names.
    void UseDevice(Opener opener, DeviceName deviceName);
    ~SoundSystem();
    SoundSystem(const SoundSystem&) = delete;
    SoundSystem& operator=(const SoundSystem&) = delete;

    SettingsRecord& Settings() { return m_settings; }

    // The output. Open does nothing when it is open already; a failure leaves it closed and
    // FailureText() says why. Close releases every channel at once, without a fade.
    bool Open();
    void Close();
    bool IsOpen() const { return m_output != nullptr; }
    // The report of the last failed Open (SoundOffText); empty after a successful one.
    const std::string& FailureText() const { return m_failure; }
    // Start-up: opens the output when sound is enabled. A failure switches sound off (and so it
    // stays off at the next start) and shows nothing: the caller reports FailureText() in a way
    // that does not hold up the start.
    bool OpenAtStartUp();

    // Unpacks the WAVE member of the pack (member names with "\") into a new buffer of the
    // channel (0, 1 or 2) and plays it; the music fades in and this call returns once the fade
    // has ended. False, silently, while another call runs (also during its fade in), when sound
    // or the channel is off, when the pack or the member is missing, or when it was asked for
    // from inside another extraction (whose archive guard refuses a second one): all NotPlayed.
    // Header, unpack and output failures are failures of their own, for the caller to show; the
    // channel is then empty and the next sound plays normally.
    SoundPlay PlaySoundFromPak(const std::string& packPath, const std::string& memberName, int channel);

    // The click of a command's button, from the main pack.
    SoundPlay PlayButtonSound(ButtonSound command);
    // The properties window's music: the demo's music entry ("N/A" plays nothing) from the pack
    // of the level shot, failing that (NotPlayed) from the main pack.
    SoundPlay PlayMapMusic(const std::string& levelShotPack, const std::string& musicEntry);
    // The player description's taunt: "sound\player\<model>\taunt.wav" from the pack that holds
    // the model's icon, failing that (NotPlayed, or with no pack, "") sarge's taunt from the main
    // pack.
    SoundPlay PlayTaunt(const std::string& modelPack, const std::string& modelName);

    // Fades the music down to -5000 and releases it; returns once it is released. FadingOut() is
    // true meanwhile. Nothing happens when no music plays.
    void FadeOutMusic();
    // Before the game starts: the music fades out and the model sound ends. A click that was
    // just asked for is left to finish.
    void StopSounds();
    void ReleaseChannel(SoundChannel channel);
    bool HasBuffer(SoundChannel channel) const;
    bool MusicPlaying() const { return HasBuffer(SoundChannel::Music); }
    bool Playing(SoundChannel channel) const;
    // The volume of the channel's buffer; the volume option when it holds none.
    int BufferVolume(SoundChannel channel) const;
    // A moved volume slider: the option takes the value, and a sound on the channel takes it
    // at once; a failure of the output is returned (the option has the value all the same).
    SoundPlay SetVolume(SoundChannel channel, int hundredthsDb);

    // One step of the running fade; the window timer calls it every 50 ms while the timer is
    // wanted and it does nothing otherwise.
    void Tick();
    bool TimerRunning() const { return m_timerRunning; }
    bool FadingIn() const { return m_fadingIn; }
    // From the start of a fade out until the music is released; the window's events handled
    // while it is waited for must not close the window.
    bool FadingOut() const { return m_fadingOut; }
    // Told when a fade out starts (true) and when it has ended (false).
    void SetFadeOutListener(std::function<void(bool)> listener) { m_fadeOutListener = std::move(listener); }
    // Told when the fade timer should start (true) and stop (false).
    void SetTimerListener(std::function<void(bool)> listener) { m_timerListener = std::move(listener); }
    // Called over and over while a fade is waited for; it must let Tick run, as processing the
    // window's events does. The default sleeps 50 ms and ticks, for a program without windows.
    void SetFadeWaiter(std::function<void()> waiter);

private:
    // Steps after the member was found: header, buffer, samples, volume, play.
    SoundPlay StartSound(const std::string& packPath, uint32_t headerOffset, uint32_t memberSize, SoundChannel channel);
    void StartTimer();
    void StopTimer();
    void FinishFadeOut();
    std::unique_ptr<SoundBuffer>& Slot(SoundChannel channel) { return m_channels[static_cast<int>(channel)]; }
    const std::unique_ptr<SoundBuffer>& Slot(SoundChannel channel) const
    {
        return m_channels[static_cast<int>(channel)];
    }

    SettingsRecord& m_settings;
    Opener m_opener;
    DeviceName m_deviceName;
    std::string m_failure;
    std::unique_ptr<SoundOutput> m_output;
    std::array<std::unique_ptr<SoundBuffer>, kSoundChannelCount> m_channels;
    bool m_inPlaySoundFromPak = false;
    int m_fadeVolume = kFadeFloor;
    int m_fadeOutFloor = kFadeFloor;
    bool m_fadingIn = false;
    bool m_fadingOut = false;
    bool m_timerRunning = false;
    std::function<void(bool)> m_timerListener;
    std::function<void(bool)> m_fadeOutListener;
    std::function<void()> m_waiter;
};

// The program's sound system, on the program-wide settings record and the default OpenAL device.
SoundSystem& Sound();
// Sound().PlaySoundFromPak.
SoundPlay PlaySoundFromPak(const std::string& packPath, const std::string& memberName, int channel);

} // namespace core
