#include "core/sound/WaveHeader.h"

#include <optional>
#include <string_view>

#include "core/common/LittleEndian.h"

namespace core {
namespace {

constexpr uint64_t kChunkHeader = 8;    // identifier, size
constexpr uint64_t kFirstSubchunk = 12; // "RIFF", size, "WAVE"
constexpr uint64_t kFormatBytes = 16;

bool HasId(const uint8_t* p, std::string_view id)
{
    return std::string_view(reinterpret_cast<const char*>(p), 4) == id;
}

// Position of the header of the first subchunk named `id` between kFirstSubchunk and
// `parentEnd`. Sizes come from the file, so every step is checked against the bytes present;
// 64-bit positions keep a size near 4 GiB from wrapping round to an earlier chunk.
std::optional<uint64_t> FindSubchunk(std::span<const uint8_t> bytes, uint64_t parentEnd, std::string_view id)
{
    uint64_t pos = kFirstSubchunk;
    while (pos + kChunkHeader <= parentEnd && pos + kChunkHeader <= bytes.size()) {
        const uint8_t* chunk = bytes.data() + pos;
        if (HasId(chunk, id))
            return pos;
        const uint64_t size = Le32(chunk + 4);
        pos += kChunkHeader + size + (size & 1);
    }
    return std::nullopt;
}

} // namespace

const char* WaveHeaderErrorText(WaveHeaderResult result)
{
    switch (result) {
    case WaveHeaderResult::Ok:
        return "";
    case WaveHeaderResult::InvalidFile:
        return "Invalid multimedia file!";
    case WaveHeaderResult::NotWave:
        return "Not a wave file!";
    case WaveHeaderResult::NoFmtChunk:
        return "Couldn't find 'fmt' chunk!";
    case WaveHeaderResult::AbnormalFmtSize:
        return "Abnormal 'fmt' size!";
    case WaveHeaderResult::FmtReadError:
        return "Error reading 'fmt' chunk!";
    case WaveHeaderResult::ExtraLengthReadError:
        return "Error reading 'waveformatex' length!";
    case WaveHeaderResult::FmtAscendError:
        return "Error ascending from 'fmt' chunk!";
    case WaveHeaderResult::SeekError:
        return "Error seeking data!";
    case WaveHeaderResult::InfoError:
        return "Error getting info!";
    }
    return "";
}

WaveHeaderResult ParseWaveHeader(std::span<const uint8_t> bytes, WaveHeader& header)
{
    // The first chunk: a RIFF chunk also carries its form type.
    if (bytes.size() < kChunkHeader)
        return WaveHeaderResult::InvalidFile;
    const bool riff = HasId(bytes.data(), "RIFF");
    if ((riff || HasId(bytes.data(), "LIST")) && bytes.size() < kFirstSubchunk)
        return WaveHeaderResult::InvalidFile;
    if (!riff || !HasId(bytes.data() + 8, "WAVE"))
        return WaveHeaderResult::NotWave;
    const uint64_t riffEnd = kChunkHeader + uint64_t{Le32(bytes.data() + 4)};

    const std::optional<uint64_t> fmt = FindSubchunk(bytes, riffEnd, "fmt ");
    if (!fmt)
        return WaveHeaderResult::NoFmtChunk;
    const uint64_t fmtSize = Le32(bytes.data() + *fmt + 4);
    if (fmtSize < kFormatBytes)
        return WaveHeaderResult::AbnormalFmtSize;
    const uint64_t fmtData = *fmt + kChunkHeader;
    if (fmtData + kFormatBytes > bytes.size())
        return WaveHeaderResult::FmtReadError;
    const uint8_t* f = bytes.data() + fmtData;
    WaveFormat format;
    format.formatTag = Le16(f);
    format.channels = Le16(f + 2);
    format.samplesPerSec = Le32(f + 4);
    format.avgBytesPerSec = Le32(f + 8);
    format.blockAlign = Le16(f + 12);
    format.bitsPerSample = Le16(f + 14);
    // Other formats carry the length of their extra bytes. Only its presence is checked: the
    // output is handed the 16-byte description alone.
    if (format.formatTag != 1 && fmtData + kFormatBytes + 2 > bytes.size())
        return WaveHeaderResult::ExtraLengthReadError;

    if (fmtData + fmtSize + (fmtSize & 1) > bytes.size())
        return WaveHeaderResult::FmtAscendError;
    if (kFirstSubchunk > bytes.size())
        return WaveHeaderResult::SeekError;

    const std::optional<uint64_t> data = FindSubchunk(bytes, riffEnd, "data");
    if (!data)
        return WaveHeaderResult::InfoError;

    header.format = format;
    header.dataSize = Le32(bytes.data() + *data + 4);
    header.dataOffset = static_cast<uint32_t>(*data + kChunkHeader);
    return WaveHeaderResult::Ok;
}

} // namespace core
