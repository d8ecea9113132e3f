#pragma once
// The sound device behind the three sound channels: buffers that are filled once, given a volume
// and played once or looping. The program plays through OpenAL (OpenAlOutput.h); the silent
// output below runs the same channel logic without any device.
#include <cstdint>
#include <memory>
#include <string>

#include "core/sound/WaveHeader.h"

namespace core {

// Result of a sound device call: 0 for success, otherwise one of the failure codes below, the
// numbers the user's error texts have always shown; OpenAL's errors are mapped onto them
// (OpenAlOutput). OpenAL codes that have no counterpart among them are passed on as they are.
using SoundResult = uint32_t;
inline constexpr SoundResult kSoundOk = 0;
inline constexpr SoundResult kSoundUnsupported = 0x80004001;
inline constexpr SoundResult kSoundGeneric = 0x80004005;
inline constexpr SoundResult kSoundNoAggregation = 0x80040110;
inline constexpr SoundResult kSoundOutOfMemory = 0x8007000E;
inline constexpr SoundResult kSoundInvalidParam = 0x80070057;
inline constexpr SoundResult kSoundAllocated = 0x8878000A;
inline constexpr SoundResult kSoundControlUnavailable = 0x8878001E;
inline constexpr SoundResult kSoundInvalidCall = 0x88780032;
inline constexpr SoundResult kSoundPriorityLevelNeeded = 0x88780046;
inline constexpr SoundResult kSoundBadFormat = 0x88780064;
inline constexpr SoundResult kSoundNoDriver = 0x88780078;
inline constexpr SoundResult kSoundAlreadyInitialized = 0x88780082;
inline constexpr SoundResult kSoundBufferLost = 0x88780096;
inline constexpr SoundResult kSoundOtherAppHasPriority = 0x887800A0;
inline constexpr SoundResult kSoundUninitialized = 0x887800AA;

// "Sound output call failed: " + the code in upper-case hexadecimal + "\r" + its description.
std::string SoundErrorText(SoundResult code);

// Volumes are attenuations in hundredths of a decibel: 0 full loudness, -2500 25 dB quieter.
// Values outside -10000..0 are taken as the nearest end, so a hand-edited configuration file
// cannot amplify or silence past what the device offers.
inline constexpr int kMinVolume = -10000;
inline constexpr int kMaxVolume = 0;
int ClampVolume(int hundredthsDb);
// The linear amplitude factor of a volume: 10^(v / 2000).
float GainFromVolume(int hundredthsDb);

// Formats a buffer can be made of: PCM with 8 or 16 bits per sample, one or two channels, a
// block alignment that matches and a sample rate from 100 to 200000 Hz. Anything else is
// kSoundBadFormat.
SoundResult CheckPlayableFormat(const WaveFormat& format);

// One sound: created empty at its final size, filled between Lock and Unlock, then played.
class SoundBuffer {
public:
    virtual ~SoundBuffer() = default;
    uint32_t Size() const { return m_size; }
    // The buffer's own memory, Size() bytes, to be written before Unlock.
    virtual SoundResult Lock(uint8_t*& memory) = 0;
    virtual SoundResult Unlock() = 0;
    virtual SoundResult Rewind() = 0;
    virtual SoundResult SetVolume(int hundredthsDb) = 0;
    // The volume last set, after clamping.
    virtual int Volume() const = 0;
    virtual SoundResult Play(bool loop) = 0;
    virtual bool Playing() const = 0;

protected:
    explicit SoundBuffer(uint32_t size) : m_size(size) {}

private:
    uint32_t m_size;
};

class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // A buffer of `bytes` bytes (a whole number of blocks, above 0) in `format`.
    virtual SoundResult CreateBuffer(const WaveFormat& format, uint32_t bytes,
                                     std::unique_ptr<SoundBuffer>& buffer) = 0;
};

// An output without a device: buffers hold their samples, volume and play state, and a sound
// that is not looping ends as soon as it starts.
std::unique_ptr<SoundOutput> MakeSilentOutput();

} // namespace core
