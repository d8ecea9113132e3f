#include "core/sound/SoundOutput.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace core {
namespace {

// The rates a sound buffer takes; the game's sounds use 22050 Hz.
constexpr uint32_t kMinSampleRate = 100;
constexpr uint32_t kMaxSampleRate = 200000;

const char* Description(SoundResult code)
{
    switch (code) {
    case kSoundUnsupported:
        return "The function called is not supported at this time";
    case kSoundGeneric:
        return "An undetermined error occured inside the sound output";
    case kSoundNoAggregation:
        return "This object does not support aggregation";
    case kSoundOutOfMemory:
        return "The sound output couldn't allocate sufficient memory to complete the caller's request.";
    case kSoundInvalidParam:
        return "An invalid parameter was passed to the returning function.";
    case kSoundAllocated:
        return "The call failed because resources (such as a priority level) were already being used by another "
               "caller.";
    case kSoundControlUnavailable:
        return "The control (vol,pan,etc.) requested by the caller is not available.";
    case kSoundInvalidCall:
        return "This call is not valid for the current state of this object";
    case kSoundPriorityLevelNeeded:
        return "The caller does not have the priority level required for the function to succeed.";
    case kSoundBadFormat:
        return "The specified WAVE format is not supported";
    case kSoundNoDriver:
        return "No sound driver is available for use";
    case kSoundAlreadyInitialized:
        return "This object is already initialized";
    case kSoundBufferLost:
        return "The buffer memory has been lost, and must be Restored.";
    case kSoundOtherAppHasPriority:
        return "Another app has a higher priority level, preventing this call from succeeding.";
    case kSoundUninitialized:
        return "The OpenAL device has not been opened, or not successfully, before calls to other functions.";
    default:
        return "Unrecognized error value.";
    }
}

class SilentBuffer final : public SoundBuffer {
public:
    explicit SilentBuffer(uint32_t size) : SoundBuffer(size), m_samples(size) {}

    SoundResult Lock(uint8_t*& memory) override
    {
        memory = m_samples.data();
        return kSoundOk;
    }
    SoundResult Unlock() override { return kSoundOk; }
    SoundResult Rewind() override { return kSoundOk; }
    SoundResult SetVolume(int hundredthsDb) override
    {
        m_volume = ClampVolume(hundredthsDb);
        return kSoundOk;
    }
    int Volume() const override { return m_volume; }
    SoundResult Play(bool loop) override
    {
        m_looping = loop;
        return kSoundOk;
    }
    bool Playing() const override { return m_looping; }

private:
    std::vector<uint8_t> m_samples;
    int m_volume = 0;
    bool m_looping = false;
};

class SilentOutput final : public SoundOutput {
public:
    SoundResult CreateBuffer(const WaveFormat& format, uint32_t bytes, std::unique_ptr<SoundBuffer>& buffer) override
    {
        if (SoundResult r = CheckPlayableFormat(format); r != kSoundOk)
            return r;
        if (bytes == 0 || bytes % format.blockAlign != 0)
            return kSoundInvalidParam;
        buffer = std::make_unique<SilentBuffer>(bytes);
        return kSoundOk;
    }
};

} // namespace

std::string SoundErrorText(SoundResult code)
{
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08X", code);
    return std::string("Sound output call failed: ") + hex + "\r" + Description(code);
}

int ClampVolume(int hundredthsDb)
{
    return std::clamp(hundredthsDb, kMinVolume, kMaxVolume);
}

float GainFromVolume(int hundredthsDb)
{
    return static_cast<float>(std::pow(10.0, ClampVolume(hundredthsDb) / 2000.0));
}

SoundResult CheckPlayableFormat(const WaveFormat& format)
{
    const bool pcm = format.formatTag == 1;
    const bool bits = format.bitsPerSample == 8 || format.bitsPerSample == 16;
    const bool channels = format.channels == 1 || format.channels == 2;
    const bool rate = format.samplesPerSec >= kMinSampleRate && format.samplesPerSec <= kMaxSampleRate;
    if (!pcm || !bits || !channels || !rate || format.blockAlign != format.channels * format.bitsPerSample / 8)
        return kSoundBadFormat;
    return kSoundOk;
}

std::unique_ptr<SoundOutput> MakeSilentOutput()
{
    return std::make_unique<SilentOutput>();
}

} // namespace core
