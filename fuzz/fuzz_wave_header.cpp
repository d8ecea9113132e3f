// Parses arbitrary bytes as the first bytes of a WAVE member, as PlaySoundFromPak does before it
// sizes a sound buffer from the result.
#include "core/sound/WaveHeader.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    core::WaveHeader header;
    const core::WaveHeaderResult result = core::ParseWaveHeader({data, size}, header);
    if (*core::WaveHeaderErrorText(result) == '\0' && result != core::WaveHeaderResult::Ok)
        __builtin_trap();
    if (result == core::WaveHeaderResult::Ok) {
        // The samples start behind a "data" chunk header inside the RIFF chunk, within the bytes
        // read.
        if (header.dataOffset < 20 || header.dataOffset > size)
            __builtin_trap();
        if (std::memcmp(data + header.dataOffset - 8, "data", 4) != 0)
            __builtin_trap();
    }
    return 0;
}
