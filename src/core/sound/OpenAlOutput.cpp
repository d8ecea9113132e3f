#include "core/sound/OpenAlOutput.h"

#include <AL/al.h>
#include <AL/alc.h>

#include <new>
#include <vector>

namespace core {
namespace {

// Buffer mapping of OpenAL Soft (extension "AL_SOFTX_map_buffer"); its header declarations are
// not installed with every version, so the entry points are looked up at run time.
using MapFlags = unsigned int;
using BufferStorageFn = void(AL_APIENTRY*)(ALuint, ALenum, const ALvoid*, ALsizei, ALsizei, MapFlags);
using MapBufferFn = void*(AL_APIENTRY*)(ALuint, ALsizei, ALsizei, MapFlags);
using UnmapBufferFn = void(AL_APIENTRY*)(ALuint);
constexpr MapFlags kMapWrite = 0x2;

// The device and its context; buffers share it so that it outlives every one of them.
class AlContext {
public:
    AlContext(ALCdevice* device, ALCcontext* context) : m_device(device), m_context(context) {}
    ~AlContext()
    {
        if (alcGetCurrentContext() == m_context)
            alcMakeContextCurrent(nullptr);
        alcDestroyContext(m_context);
        alcCloseDevice(m_device);
    }
    AlContext(const AlContext&) = delete;
    AlContext& operator=(const AlContext&) = delete;

    // OpenAL calls act on the current context, which is one for the whole process. Errors left
    // from earlier calls are cleared, so that the next alGetError speaks of the calls that follow.
    bool MakeCurrent() const
    {
        if (alcGetCurrentContext() != m_context && !alcMakeContextCurrent(m_context))
            return false;
        alGetError();
        return true;
    }

    void LoadMapping()
    {
        if (!alIsExtensionPresent("AL_SOFTX_map_buffer") && !alIsExtensionPresent("AL_SOFT_map_buffer"))
            return;
        storage = reinterpret_cast<BufferStorageFn>(alGetProcAddress("alBufferStorageSOFT"));
        map = reinterpret_cast<MapBufferFn>(alGetProcAddress("alMapBufferSOFT"));
        unmap = reinterpret_cast<UnmapBufferFn>(alGetProcAddress("alUnmapBufferSOFT"));
    }
    bool CanMap() const { return storage && map && unmap; }

    BufferStorageFn storage = nullptr;
    MapBufferFn map = nullptr;
    UnmapBufferFn unmap = nullptr;

private:
    ALCdevice* m_device;
    ALCcontext* m_context;
};

SoundResult LastError()
{
    return SoundResultFromAlError(alGetError());
}

ALenum AlFormat(const WaveFormat& format)
{
    if (format.channels == 1)
        return format.bitsPerSample == 8 ? AL_FORMAT_MONO8 : AL_FORMAT_MONO16;
    return format.bitsPerSample == 8 ? AL_FORMAT_STEREO8 : AL_FORMAT_STEREO16;
}

class AlBuffer final : public SoundBuffer {
public:
    AlBuffer(std::shared_ptr<AlContext> al, const WaveFormat& format, uint32_t size)
        : SoundBuffer(size), m_al(std::move(al)), m_format(AlFormat(format)),
          m_rate(static_cast<ALsizei>(format.samplesPerSec))
    {
    }
    ~AlBuffer() override
    {
        if (!m_al->MakeCurrent())
            return;
        if (m_source) {
            alSourceStop(m_source);
            alDeleteSources(1, &m_source);
        }
        if (m_mapped)
            m_al->unmap(m_buffer);
        if (m_buffer)
            alDeleteBuffers(1, &m_buffer);
    }

    SoundResult Create()
    {
        if (!m_al->MakeCurrent())
            return kSoundInvalidCall;
        alGenBuffers(1, &m_buffer);
        if (SoundResult r = LastError(); r != kSoundOk) {
            m_buffer = 0;
            return r;
        }
        alGenSources(1, &m_source);
        if (SoundResult r = LastError(); r != kSoundOk) {
            m_source = 0;
            return r;
        }
        // Played where the listener is, so that no distance or direction changes the volume.
        alSourcei(m_source, AL_SOURCE_RELATIVE, AL_TRUE);
        alSource3f(m_source, AL_POSITION, 0.0f, 0.0f, 0.0f);
        return LastError();
    }

    SoundResult Lock(uint8_t*& memory) override
    {
        if (!m_al->MakeCurrent())
            return kSoundInvalidCall;
        const auto size = static_cast<ALsizei>(Size());
        if (m_al->CanMap()) {
            m_al->storage(m_buffer, m_format, nullptr, size, m_rate, kMapWrite);
            if (SoundResult r = LastError(); r != kSoundOk)
                return r;
            void* mapped = m_al->map(m_buffer, 0, size, kMapWrite);
            if (SoundResult r = LastError(); r != kSoundOk || !mapped)
                return r != kSoundOk ? r : kSoundGeneric;
            m_mapped = true;
            memory = static_cast<uint8_t*>(mapped);
            return kSoundOk;
        }
        // Without mapping the samples pass through one buffer of our own.
        m_staging = std::vector<uint8_t>();
        try {
            m_staging.resize(Size());
        } catch (const std::bad_alloc&) {
            return kSoundOutOfMemory;
        }
        memory = m_staging.data();
        return kSoundOk;
    }

    SoundResult Unlock() override
    {
        if (!m_al->MakeCurrent())
            return kSoundInvalidCall;
        if (m_mapped) {
            m_al->unmap(m_buffer);
            m_mapped = false;
        } else {
            alBufferData(m_buffer, m_format, m_staging.data(), static_cast<ALsizei>(m_staging.size()), m_rate);
            std::vector<uint8_t>().swap(m_staging);
        }
        if (SoundResult r = LastError(); r != kSoundOk)
            return r;
        alSourcei(m_source, AL_BUFFER, static_cast<ALint>(m_buffer));
        return LastError();
    }

    SoundResult Rewind() override
    {
        if (!m_al->MakeCurrent())
            return kSoundInvalidCall;
        alSourceRewind(m_source);
        return LastError();
    }

    SoundResult SetVolume(int hundredthsDb) override
    {
        if (!m_al->MakeCurrent())
            return kSoundInvalidCall;
        alSourcef(m_source, AL_GAIN, GainFromVolume(hundredthsDb));
        if (SoundResult r = LastError(); r != kSoundOk)
            return r;
        m_volume = ClampVolume(hundredthsDb);
        return kSoundOk;
    }

    int Volume() const override { return m_volume; }

    SoundResult Play(bool loop) override
    {
        if (!m_al->MakeCurrent())
            return kSoundInvalidCall;
        alSourcei(m_source, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
        alSourcePlay(m_source);
        return LastError();
    }

    bool Playing() const override
    {
        if (!m_al->MakeCurrent())
            return false;
        ALint state = AL_STOPPED;
        alGetSourcei(m_source, AL_SOURCE_STATE, &state);
        return state == AL_PLAYING;
    }

private:
    std::shared_ptr<AlContext> m_al;
    ALenum m_format;
    ALsizei m_rate;
    ALuint m_buffer = 0;
    ALuint m_source = 0;
    bool m_mapped = false;
    std::vector<uint8_t> m_staging;
    int m_volume = 0;
};

class AlOutput final : public SoundOutput {
public:
    explicit AlOutput(std::shared_ptr<AlContext> al) : m_al(std::move(al)) {}

    SoundResult CreateBuffer(const WaveFormat& format, uint32_t bytes, std::unique_ptr<SoundBuffer>& buffer) override
    {
        if (SoundResult r = CheckPlayableFormat(format); r != kSoundOk)
            return r;
        // OpenAL sizes are signed; a buffer must hold whole blocks.
        if (bytes == 0 || bytes > 0x7FFFFFFF || bytes % format.blockAlign != 0)
            return kSoundInvalidParam;
        auto made = std::make_unique<AlBuffer>(m_al, format, bytes);
        if (SoundResult r = made->Create(); r != kSoundOk)
            return r;
        buffer = std::move(made);
        return kSoundOk;
    }

private:
    std::shared_ptr<AlContext> m_al;
};

} // namespace

SoundResult SoundResultFromAlError(int alError)
{
    switch (alError) {
    case AL_NO_ERROR:
        return kSoundOk;
    case AL_INVALID_VALUE:
        return kSoundInvalidParam;
    case AL_INVALID_OPERATION:
        return kSoundInvalidCall;
    case AL_OUT_OF_MEMORY:
        return kSoundOutOfMemory;
    default:
        // AL_INVALID_NAME, AL_INVALID_ENUM and anything newer have no counterpart.
        return static_cast<SoundResult>(alError);
    }
}

std::string OpenAlDeviceName(const char* deviceName)
{
    if (deviceName)
        return deviceName;
    const ALCchar* name = alcGetString(nullptr, ALC_DEFAULT_DEVICE_SPECIFIER);
    return name ? std::string(name) : std::string();
}

SoundResult OpenOpenAlOutput(const char* deviceName, std::unique_ptr<SoundOutput>& output)
{
    ALCdevice* device = alcOpenDevice(deviceName);
    if (!device)
        return kSoundNoDriver;
    ALCcontext* context = alcCreateContext(device, nullptr);
    if (!context) {
        const ALCenum error = alcGetError(device);
        alcCloseDevice(device);
        return error == ALC_OUT_OF_MEMORY ? kSoundOutOfMemory : kSoundNoDriver;
    }
    auto al = std::make_shared<AlContext>(device, context);
    if (!al->MakeCurrent())
        return kSoundNoDriver;
    al->LoadMapping();
    output = std::make_unique<AlOutput>(std::move(al));
    return kSoundOk;
}

} // namespace core
