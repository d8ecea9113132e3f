#include "core/sound/SoundSystem.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "core/archive/ZipRead.h"
#include "core/sound/OpenAlOutput.h"
#include "core/sound/WaveHeader.h"

namespace core {
namespace {

const char* const kMenuClick = "sound\\misc\\menu1.wav";
const char* const kToggleClick = "sound\\misc\\menu4.wav";
const char* const kDefaultTaunt = "sound\\player\\sarge\\taunt.wav";

Failure<SoundError> NotPlayed()
{
    return {SoundError::NotPlayed, ""};
}

Failure<SoundError> OutputFailure(SoundResult code)
{
    return {SoundError::Output, SoundErrorText(code)};
}

Failure<SoundError> UnpackFailure()
{
    return {SoundError::Unpack, kSoundUnpackErrorText};
}

// Sets a flag for the lifetime of the object; every way out of PlaySoundFromPak clears it.
class FlagGuard {
public:
    explicit FlagGuard(bool& flag) : m_flag(flag) { m_flag = true; }
    ~FlagGuard() { m_flag = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

private:
    bool& m_flag;
};

} // namespace

const char* ButtonSoundMember(ButtonSound command)
{
    switch (command) {
    case ButtonSound::ReadOnlyMode:
    case ButtonSound::TimeDemo:
    case ButtonSound::LoopDemos:
        return kToggleClick;
    default:
        return kMenuClick;
    }
}

std::string MusicMemberFromEntry(const std::string& musicEntry)
{
    std::string member = musicEntry;
    std::replace(member.begin(), member.end(), '/', '\\');
    if (const size_t blank = member.find(' '); blank != std::string::npos)
        member.erase(0, blank + 1);
    return member;
}

bool& ChannelOption(SettingsRecord& settings, SoundChannel channel)
{
    switch (channel) {
    case SoundChannel::Music:
        return settings.play_musics;
    case SoundChannel::ModelSound:
        return settings.play_sounds;
    case SoundChannel::ButtonSound:
        break;
    }
    return settings.play_menus;
}

int& ChannelVolume(SettingsRecord& settings, SoundChannel channel)
{
    switch (channel) {
    case SoundChannel::Music:
        return settings.vol_musics;
    case SoundChannel::ModelSound:
        return settings.vol_sounds;
    case SoundChannel::ButtonSound:
        break;
    }
    return settings.vol_menus;
}

std::string SoundOffText(const std::string& deviceName)
{
    const std::string device =
        deviceName.empty() ? std::string("a sound device") : "the sound device \"" + deviceName + "\"";
    return "Sound is off: OpenAL could not open " + device +
           ". Check that the sound system (PipeWire, PulseAudio or ALSA) is running, then switch sound on with "
           "\"Enable Sound\" in Options, \"Sound Options..\".";
}

SoundSystem::SoundSystem(SettingsRecord& settings, Opener opener, DeviceName deviceName)
    : m_settings(settings), m_opener(std::move(opener)), m_deviceName(std::move(deviceName))
{
    SetFadeWaiter(nullptr);
}

void SoundSystem::UseDevice(Opener opener, DeviceName deviceName)
{
    m_opener = std::move(opener);
    m_deviceName = std::move(deviceName);
}

SoundSystem::~SoundSystem()
{
    Close();
}

void SoundSystem::SetFadeWaiter(std::function<void()> waiter)
{
    if (waiter) {
        m_waiter = std::move(waiter);
        return;
    }
    m_waiter = [this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(kFadeTickMilliseconds));
        Tick();
    };
}

bool SoundSystem::Open()
{
    if (m_output)
        return true;
    std::unique_ptr<SoundOutput> output;
    if (!m_opener || m_opener(output) != kSoundOk || !output) {
        m_failure = SoundOffText(m_deviceName ? m_deviceName() : std::string());
        return false;
    }
    m_failure.clear();
    m_output = std::move(output);
    return true;
}

void SoundSystem::Close()
{
    for (int channel = 0; channel < kSoundChannelCount; ++channel)
        ReleaseChannel(static_cast<SoundChannel>(channel));
    m_output.reset();
}

bool SoundSystem::OpenAtStartUp()
{
    if (!m_settings.sound_enable)
        return false;
    if (Open())
        return true;
    m_settings.sound_enable = false;
    return false;
}

SoundPlay SoundSystem::PlaySoundFromPak(const std::string& packPath, const std::string& memberName, int channel)
{
    if (m_inPlaySoundFromPak)
        return NotPlayed();
    FlagGuard guard(m_inPlaySoundFromPak);

    if (channel < 0 || channel >= kSoundChannelCount)
        return NotPlayed();
    const auto which = static_cast<SoundChannel>(channel);
    if (!m_settings.sound_enable || !ChannelOption(m_settings, which) || !m_output)
        return NotPlayed();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(packPath, ec))
        return NotPlayed();

    ReleaseChannel(which);

    MemberPlace place;
    if (!FindMemberPlace(packPath, memberName, place))
        return NotPlayed();
    // A directory entry promising more than its compressed bytes can hold is damaged; nothing is
    // reserved for its claim.
    if (!place.Plausible())
        return NotPlayed();
    const uint32_t memberSize = place.size;
    const uint32_t headerOffset = place.headerOffset;

    if (SoundPlay started = StartSound(packPath, headerOffset, memberSize, which); !started)
        return started;

    if (which == SoundChannel::Music) {
        // Other sounds stay refused until the music has come up to its volume. The fade ends by
        // its last tick, or early when the music is faded out or released meanwhile.
        while (m_fadingIn && MusicPlaying())
            m_waiter();
    }
    return Done{};
}

SoundPlay SoundSystem::StartSound(const std::string& packPath, uint32_t headerOffset, uint32_t memberSize,
                                  SoundChannel channel)
{
    // Only the header passes through memory of our own; the samples go straight into the buffer.
    std::array<uint8_t, kWaveHeaderBytes> head{};
    uint32_t got = kWaveHeaderBytes;
    const UnzipResult unzipped = UnzipFileToMemory(packPath, head.data(), got, headerOffset);
    // Busy: this call came from inside another extraction's event processing (a click during a
    // folder listing). Nothing failed that the user should be told about.
    if (unzipped == UnzipResult::Busy)
        return NotPlayed();
    if (unzipped != UnzipResult::Ok) {
        return UnpackFailure();
    }
    WaveHeader header;
    if (const WaveHeaderResult parsed = ParseWaveHeader({head.data(), got}, header); parsed != WaveHeaderResult::Ok) {
        return Failure<SoundError>{SoundError::WaveHeader, WaveHeaderErrorText(parsed)};
    }

    auto fail = [](SoundResult code) -> SoundPlay { return OutputFailure(code); };
    if (const SoundResult r = CheckPlayableFormat(header.format); r != kSoundOk)
        return fail(r);
    // The header's claim is bounded by what the member holds, in whole sample blocks.
    const uint32_t available = memberSize > header.dataOffset ? memberSize - header.dataOffset : 0;
    uint32_t bytes = std::min(header.dataSize, available);
    bytes -= bytes % header.format.blockAlign;

    std::unique_ptr<SoundBuffer> buffer;
    if (const SoundResult r = m_output->CreateBuffer(header.format, bytes, buffer); r != kSoundOk)
        return fail(r);
    uint8_t* memory = nullptr;
    if (const SoundResult r = buffer->Lock(memory); r != kSoundOk)
        return fail(r);
    uint32_t stored = bytes;
    const UnzipResult unpacked = UnzipFileToMemoryFrom(packPath, memory, stored, header.dataOffset, headerOffset);
    // A member shorter than its directory entry leaves the rest of the buffer silent rather than
    // whatever the memory held.
    if (unpacked == UnzipResult::Ok && stored < bytes)
        std::memset(memory + stored, header.format.bitsPerSample == 8 ? 0x80 : 0, bytes - stored);
    const SoundResult unlocked = buffer->Unlock();
    // A damaged member is not played in part: its samples are not what the pack holds.
    if (unpacked != UnzipResult::Ok) {
        if (unpacked != UnzipResult::Busy)
            return UnpackFailure();
        return NotPlayed();
    }
    if (unlocked != kSoundOk)
        return fail(unlocked);

    if (const SoundResult r = buffer->Rewind(); r != kSoundOk)
        return fail(r);
    if (const SoundResult r = buffer->SetVolume(ChannelVolume(m_settings, channel)); r != kSoundOk)
        return fail(r);
    const bool music = channel == SoundChannel::Music;
    if (music) {
        // Music quieter than the fade's floor starts at its own volume: a fade in never starts
        // louder than where it ends.
        const int start = std::min(kFadeFloor, ClampVolume(m_settings.vol_musics));
        if (const SoundResult r = buffer->SetVolume(start); r != kSoundOk)
            return fail(r);
        m_fadeVolume = start;
    }
    if (const SoundResult r = buffer->Play(music); r != kSoundOk)
        return fail(r);
    Slot(channel) = std::move(buffer);
    if (music) {
        m_fadingOut = false;
        m_fadingIn = true;
        StartTimer();
    }
    return Done{};
}

SoundPlay SoundSystem::PlayButtonSound(ButtonSound command)
{
    return PlaySoundFromPak(m_settings.game.mainPack, ButtonSoundMember(command),
                            static_cast<int>(SoundChannel::ButtonSound));
}

SoundPlay SoundSystem::PlayMapMusic(const std::string& levelShotPack, const std::string& musicEntry)
{
    if (musicEntry == "N/A")
        return NotPlayed();
    const std::string member = MusicMemberFromEntry(musicEntry);
    const int music = static_cast<int>(SoundChannel::Music);
    // A member the level shot's pack holds but cannot play is reported, not looked for elsewhere.
    if (SoundPlay played = PlaySoundFromPak(levelShotPack, member, music); played || Reported(played))
        return played;
    return PlaySoundFromPak(m_settings.game.mainPack, member, music);
}

SoundPlay SoundSystem::PlayTaunt(const std::string& modelPack, const std::string& modelName)
{
    const int model = static_cast<int>(SoundChannel::ModelSound);
    if (!modelPack.empty()) {
        SoundPlay played = PlaySoundFromPak(modelPack, "sound\\player\\" + modelName + "\\taunt.wav", model);
        if (played || Reported(played))
            return played;
    }
    return PlaySoundFromPak(m_settings.game.mainPack, kDefaultTaunt, model);
}

void SoundSystem::FadeOutMusic()
{
    if (!MusicPlaying())
        return;
    // A fade out asked for while one runs (from the events processed while waiting) waits for the
    // same fade; whichever wait sees it end releases the music, once.
    if (!m_fadingOut) {
        m_fadingIn = false;
        m_fadeVolume = Slot(SoundChannel::Music)->Volume();
        // Music quieter than the floor is not raised to it on the way out.
        m_fadeOutFloor = std::min(kFadeFloor, m_fadeVolume);
        m_fadingOut = true;
        if (m_fadeOutListener)
            m_fadeOutListener(true);
        StartTimer();
    }
    while (m_fadingOut && m_fadeVolume > m_fadeOutFloor && MusicPlaying())
        m_waiter();
    if (m_fadingOut)
        FinishFadeOut();
}

void SoundSystem::FinishFadeOut()
{
    m_fadingOut = false;
    m_fadingIn = false;
    StopTimer();
    Slot(SoundChannel::Music).reset();
    if (m_fadeOutListener)
        m_fadeOutListener(false);
}

void SoundSystem::StopSounds()
{
    FadeOutMusic();
    ReleaseChannel(SoundChannel::ModelSound);
}

void SoundSystem::ReleaseChannel(SoundChannel channel)
{
    if (channel == SoundChannel::Music) {
        if (m_fadingOut) {
            FinishFadeOut();
            return;
        }
        if (m_fadingIn) {
            m_fadingIn = false;
            StopTimer();
        }
    }
    Slot(channel).reset();
}

bool SoundSystem::HasBuffer(SoundChannel channel) const
{
    return Slot(channel) != nullptr;
}

bool SoundSystem::Playing(SoundChannel channel) const
{
    return Slot(channel) && Slot(channel)->Playing();
}

int SoundSystem::BufferVolume(SoundChannel channel) const
{
    if (Slot(channel))
        return Slot(channel)->Volume();
    return ChannelVolume(m_settings, channel);
}

SoundPlay SoundSystem::SetVolume(SoundChannel channel, int hundredthsDb)
{
    ChannelVolume(m_settings, channel) = hundredthsDb;
    if (Slot(channel))
        if (const SoundResult r = Slot(channel)->SetVolume(hundredthsDb); r != kSoundOk)
            return OutputFailure(r);
    return Done{};
}

void SoundSystem::Tick()
{
    if (!m_timerRunning)
        return;
    if (m_fadingIn) {
        // The target is read at every step, so a slider moved during the fade is where it ends.
        const int target = ClampVolume(m_settings.vol_musics);
        m_fadeVolume += kFadeStep;
        if (m_fadeVolume >= target) {
            m_fadeVolume = target;
            m_fadingIn = false;
            StopTimer();
        }
    } else if (m_fadingOut) {
        m_fadeVolume -= kFadeStep;
        if (m_fadeVolume <= m_fadeOutFloor) {
            m_fadeVolume = m_fadeOutFloor;
            StopTimer();
        }
    } else {
        StopTimer();
        return;
    }
    // A failing step is not worth a message box every 50 ms; the fade goes on regardless.
    if (Slot(SoundChannel::Music))
        (void)Slot(SoundChannel::Music)->SetVolume(m_fadeVolume);
}

void SoundSystem::StartTimer()
{
    if (m_timerRunning)
        return;
    m_timerRunning = true;
    if (m_timerListener)
        m_timerListener(true);
}

void SoundSystem::StopTimer()
{
    if (!m_timerRunning)
        return;
    m_timerRunning = false;
    if (m_timerListener)
        m_timerListener(false);
}

SoundSystem& Sound()
{
    static SoundSystem sound(
        Settings, [](std::unique_ptr<SoundOutput>& output) { return OpenOpenAlOutput(nullptr, output); },
        [] { return OpenAlDeviceName(nullptr); });
    return sound;
}

SoundPlay PlaySoundFromPak(const std::string& packPath, const std::string& memberName, int channel)
{
    return Sound().PlaySoundFromPak(packPath, memberName, channel);
}

} // namespace core
