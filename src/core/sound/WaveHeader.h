#pragma once
// The header of a WAVE sound as the program reads it from the first bytes of a pack member: the
// sample format, how many bytes of samples follow and where they begin.
#include <cstdint>
#include <span>

namespace core {

// How many bytes of a member are read to find its header. The game's sounds carry the plain
// 44-byte header; a "data" chunk that does not start within these bytes cannot be played.
inline constexpr uint32_t kWaveHeaderBytes = 50;

// The 16-byte format description at the start of the "fmt " chunk.
struct WaveFormat {
    uint16_t formatTag = 0; // 1: PCM
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
};

struct WaveHeader {
    WaveFormat format;
    uint32_t dataSize = 0;   // as the "data" chunk claims it; the caller bounds it by the member
    uint32_t dataOffset = 0; // position of the first sample byte in the member
};

enum class WaveHeaderResult {
    Ok,
    InvalidFile,          // no first chunk
    NotWave,              // not "RIFF" with form type "WAVE"
    NoFmtChunk,           // no "fmt " chunk inside the RIFF chunk
    AbnormalFmtSize,      // "fmt " shorter than 16 bytes
    FmtReadError,         // fewer than 16 bytes of "fmt " present
    ExtraLengthReadError, // non-PCM format without its 2-byte extra length
    FmtAscendError,       // the "fmt " chunk ends beyond the bytes read
    SeekError,            // the RIFF chunk's subchunks cannot be reached again
    InfoError,            // no "data" chunk whose samples start within the bytes read
};

// The text shown to the user for a failed parse; empty for Ok.
const char* WaveHeaderErrorText(WaveHeaderResult result);

// Reads the header from the first bytes of a WAVE file (normally kWaveHeaderBytes of them, fewer
// for a shorter member). Chunks are walked as RIFF readers do: subchunks of the RIFF chunk only,
// each padded to an even size. `header` is filled only on Ok.
WaveHeaderResult ParseWaveHeader(std::span<const uint8_t> bytes, WaveHeader& header);

} // namespace core
