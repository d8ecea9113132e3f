#pragma once
// The rules of the sound options window: what its check boxes and sliders do to the sound system
// and which of them can be used when. The window shows State() and forwards its clicks; every
// change is announced, also in the middle of a fade, so that the window can show it while the
// fade processes events.
#include <array>
#include <functional>
#include <string>

#include "core/sound/SoundSystem.h"

namespace core {

inline constexpr const char* kSoundOptionsTitle = "Sound Options";
inline constexpr const char* kSoundAlreadyOpenTitle = "Sound Options: OpenAL already initialised";
inline constexpr const char* kSoundOpenFailedTitle = "Sound Options: OpenAL Initialisation failed";
inline constexpr const char* kSoundOpenedTitle = "Sound Options: OpenAL successfully initialised";
inline constexpr const char* kSoundClosedTitle = "Sound Options: OpenAL uninitialised";

// The sliders run from -6667 to 0 in steps of 100.
inline constexpr int kVolumeSliderMin = -6667;
inline constexpr int kVolumeSliderMax = 0;
inline constexpr int kVolumeSliderStep = 100;

// What the window shows. The channel arrays are indexed by channel number: "Map Music", "Model
// Sound", "Button Sound" and their volume sliders.
struct SoundOptionsState {
    std::string title = kSoundOptionsTitle;
    bool enableSound = false;                // "Enable Sound" checked
    std::array<bool, 3> channelChecked{};    // the channel check boxes
    std::array<bool, 3> channelBoxEnabled{}; // ... usable
    std::array<int, 3> sliderValue{};
    std::array<bool, 3> sliderEnabled{};
    std::string report;            // why the output did not open; empty when it did
    bool closeEnabled = true;      // "&Close"
    bool changeInProgress = false; // set while "Enable Sound" or "Map Music" is handled
};

// What the window needs from the properties window, to restart its music when sound or the map
// music is switched back on.
struct SoundOptionsHooks {
    std::function<bool()> propertiesOpen; // a properties window is shown
    std::function<void()> startMapMusic;  // it starts its map music (Sound().PlayMapMusic ...)
};

class SoundOptions {
public:
    SoundOptions(SoundSystem& sound, SoundOptionsHooks hooks);

    // Opening the window: every control from the options; nothing is switched.
    void Open();
    void EnableSoundClicked(bool checked);
    void MapMusicClicked(bool checked);
    void ModelSoundClicked(bool checked);
    void ButtonSoundClicked(bool checked);
    // A failure of the sound output is returned for the window to show.
    SoundPlay SliderMoved(SoundChannel channel, int value);
    // "&Close", Escape and the window's own close button are refused while a change runs.
    bool CanClose() const { return !m_state.changeInProgress; }

    const SoundOptionsState& State() const { return m_state; }
    void SetChangedListener(std::function<void()> listener) { m_changed = std::move(listener); }

private:
    void RefreshChannelControls();
    void RestartMapMusic();
    void Changed();

    SoundSystem& m_sound;
    SoundOptionsHooks m_hooks;
    SoundOptionsState m_state;
    std::function<void()> m_changed;
};

} // namespace core
