#include "core/sound/SoundOptions.h"

#include <algorithm>

namespace core {
namespace {

constexpr int kMusic = static_cast<int>(SoundChannel::Music);

} // namespace

SoundOptions::SoundOptions(SoundSystem& sound, SoundOptionsHooks hooks) : m_sound(sound), m_hooks(std::move(hooks)) {}

void SoundOptions::Open()
{
    SettingsRecord& settings = m_sound.Settings();
    m_state = SoundOptionsState{};
    m_state.enableSound = settings.sound_enable;
    for (int channel = 0; channel < kSoundChannelCount; ++channel) {
        const auto which = static_cast<SoundChannel>(channel);
        m_state.channelChecked[channel] = ChannelOption(settings, which);
        m_state.sliderValue[channel] = ChannelVolume(settings, which);
    }
    // Sound that is off because it could not be opened says why.
    if (!settings.sound_enable && !m_sound.IsOpen())
        m_state.report = m_sound.FailureText();
    RefreshChannelControls();
    Changed();
}

void SoundOptions::EnableSoundClicked(bool checked)
{
    SettingsRecord& settings = m_sound.Settings();
    m_state.enableSound = checked;
    m_state.changeInProgress = true;
    m_state.report.clear();
    if (checked) {
        settings.sound_enable = true;
        Changed();
        if (m_sound.IsOpen()) {
            m_state.title = kSoundAlreadyOpenTitle;
        } else if (m_sound.Open()) {
            m_state.title = kSoundOpenedTitle;
        } else {
            // The box shows that sound is off; the next click tries again.
            m_state.title = kSoundOpenFailedTitle;
            m_state.report = m_sound.FailureText();
            m_state.enableSound = false;
            settings.sound_enable = false;
            RefreshChannelControls();
            m_state.changeInProgress = false;
            Changed();
            return;
        }
        RefreshChannelControls();
        Changed();
        if (!m_sound.MusicPlaying() && m_hooks.propertiesOpen && m_hooks.propertiesOpen())
            RestartMapMusic();
    } else {
        settings.sound_enable = false;
        m_state.closeEnabled = false;
        Changed();
        if (m_sound.MusicPlaying())
            m_sound.FadeOutMusic();
        m_sound.ReleaseChannel(SoundChannel::ModelSound);
        m_sound.ReleaseChannel(SoundChannel::ButtonSound);
        if (m_sound.IsOpen()) {
            m_sound.Close();
            m_state.title = kSoundClosedTitle;
        }
        RefreshChannelControls();
        m_state.closeEnabled = true;
    }
    m_state.changeInProgress = false;
    Changed();
}

void SoundOptions::MapMusicClicked(bool checked)
{
    SettingsRecord& settings = m_sound.Settings();
    m_state.channelChecked[kMusic] = checked;
    m_state.changeInProgress = true;
    if (checked) {
        m_state.sliderEnabled[kMusic] = true;
        settings.play_musics = true;
        Changed();
        if (!m_sound.MusicPlaying() && m_hooks.propertiesOpen && m_hooks.propertiesOpen())
            RestartMapMusic();
    } else {
        Changed();
        if (m_sound.MusicPlaying()) {
            m_state.channelBoxEnabled[kMusic] = false;
            m_state.closeEnabled = false;
            Changed();
            m_sound.FadeOutMusic();
            m_state.channelBoxEnabled[kMusic] = true;
            m_state.closeEnabled = true;
        }
        m_state.sliderEnabled[kMusic] = false;
        settings.play_musics = false;
    }
    m_state.changeInProgress = false;
    Changed();
}

void SoundOptions::ModelSoundClicked(bool checked)
{
    const int channel = static_cast<int>(SoundChannel::ModelSound);
    m_sound.Settings().play_sounds = checked;
    m_state.channelChecked[channel] = checked;
    m_state.sliderEnabled[channel] = checked;
    Changed();
}

void SoundOptions::ButtonSoundClicked(bool checked)
{
    const int channel = static_cast<int>(SoundChannel::ButtonSound);
    m_sound.Settings().play_menus = checked;
    m_state.channelChecked[channel] = checked;
    m_state.sliderEnabled[channel] = checked;
    Changed();
}

SoundPlay SoundOptions::SliderMoved(SoundChannel channel, int value)
{
    value = std::clamp(value, kVolumeSliderMin, kVolumeSliderMax);
    m_state.sliderValue[static_cast<int>(channel)] = value;
    SoundPlay applied = m_sound.SetVolume(channel, value);
    Changed();
    return applied;
}

void SoundOptions::RefreshChannelControls()
{
    SettingsRecord& settings = m_sound.Settings();
    for (int channel = 0; channel < kSoundChannelCount; ++channel) {
        m_state.channelBoxEnabled[channel] = settings.sound_enable;
        m_state.sliderEnabled[channel] =
            settings.sound_enable && ChannelOption(settings, static_cast<SoundChannel>(channel));
    }
}

// While the music starts, its fade in processes events: the box and "&Close" wait for it.
void SoundOptions::RestartMapMusic()
{
    m_state.channelBoxEnabled[kMusic] = false;
    m_state.closeEnabled = false;
    Changed();
    if (m_hooks.startMapMusic)
        m_hooks.startMapMusic();
    m_state.channelBoxEnabled[kMusic] = true;
    m_state.closeEnabled = true;
    Changed();
}

void SoundOptions::Changed()
{
    if (m_changed)
        m_changed();
}

} // namespace core
