#include "support/WaveBuilder.h"
#include "support/LittleEndian.h"
#include "support/ScratchDir.h"

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace testsupport {
namespace {

void PutId(std::vector<uint8_t>& out, const std::string& id)
{
    out.insert(out.end(), id.begin(), id.end());
}

uint32_t Get16(const uint8_t* p)
{
    return p[0] | p[1] << 8;
}

uint32_t Get32(const uint8_t* p)
{
    return Get16(p) | Get16(p + 2) << 16;
}

} // namespace

std::vector<uint8_t> BuildRiff(const std::vector<WaveChunk>& chunks, const std::string& form,
                               std::optional<uint32_t> riffSize)
{
    std::vector<uint8_t> body;
    PutId(body, form);
    for (const WaveChunk& chunk : chunks) {
        PutId(body, chunk.id);
        Put32(body, chunk.sizeField.value_or(static_cast<uint32_t>(chunk.body.size())));
        body.insert(body.end(), chunk.body.begin(), chunk.body.end());
        if (chunk.body.size() % 2)
            body.push_back(0);
    }
    std::vector<uint8_t> out;
    PutId(out, "RIFF");
    Put32(out, riffSize.value_or(static_cast<uint32_t>(body.size())));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

WaveChunk FmtChunk(uint16_t formatTag, uint16_t channels, uint32_t samplesPerSec, uint16_t bitsPerSample,
                   uint16_t extraBytes)
{
    WaveChunk chunk{"fmt "};
    const uint16_t blockAlign = static_cast<uint16_t>(channels * bitsPerSample / 8);
    Put16(chunk.body, formatTag);
    Put16(chunk.body, channels);
    Put32(chunk.body, samplesPerSec);
    Put32(chunk.body, samplesPerSec * blockAlign);
    Put16(chunk.body, blockAlign);
    Put16(chunk.body, bitsPerSample);
    if (formatTag != 1) {
        Put16(chunk.body, extraBytes);
        chunk.body.resize(chunk.body.size() + extraBytes, 0);
    }
    return chunk;
}

WaveChunk DataChunk(std::vector<uint8_t> samples, std::optional<uint32_t> sizeField)
{
    return WaveChunk{"data", std::move(samples), sizeField};
}

std::vector<uint8_t> Tone16(double frequency, double seconds, double amplitude, uint32_t rate)
{
    const auto count = static_cast<size_t>(seconds * rate);
    std::vector<uint8_t> out;
    out.reserve(count * 2);
    for (size_t i = 0; i < count; ++i) {
        const double v = amplitude * 32767.0 * std::sin(2.0 * M_PI * frequency * static_cast<double>(i) / rate);
        Put16(out, static_cast<uint16_t>(static_cast<int16_t>(std::lround(v))));
    }
    return out;
}

std::vector<uint8_t> PlainWave(const std::vector<uint8_t>& samples)
{
    return BuildRiff({FmtChunk(1, 1, 22050, 16), DataChunk(samples)});
}

std::optional<DecodedWave> ReadWaveFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(&bytes[8], "WAVE", 4) != 0)
        return std::nullopt;
    DecodedWave wave;
    uint32_t channels = 0, bits = 0;
    for (size_t pos = 12; pos + 8 <= bytes.size();) {
        const uint8_t* chunk = &bytes[pos];
        const size_t size = std::min<size_t>(Get32(chunk + 4), bytes.size() - pos - 8);
        if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16) {
            channels = Get16(chunk + 10);
            wave.rate = Get32(chunk + 12);
            bits = Get16(chunk + 22);
        } else if (std::memcmp(chunk, "data", 4) == 0 && channels > 0 && bits == 16) {
            for (size_t at = 0; at + 2 * channels <= size; at += 2 * channels)
                wave.samples.push_back(static_cast<int16_t>(Get16(chunk + 8 + at)) / 32768.0f);
            return wave;
        }
        pos += 8 + size + (size & 1);
    }
    return std::nullopt;
}

double Rms(const std::vector<float>& samples, size_t begin, size_t end)
{
    end = std::min(end, samples.size());
    if (begin >= end)
        return 0.0;
    double sum = 0.0;
    for (size_t i = begin; i < end; ++i)
        sum += double{samples[i]} * samples[i];
    return std::sqrt(sum / static_cast<double>(end - begin));
}

std::filesystem::path UseWaveFileOutput()
{
    // Deleted when the test process ends.
    static const ScratchDir folder("sound");
    static const bool configured = [] {
        const std::filesystem::path& path = folder.path();
        std::ofstream conf(path / "alsoft.conf");
        conf << "[general]\ndrivers=wave\nchannels=mono\nsample-type=int16\nfrequency=44100\n"
             << "[wave]\nfile=" << (path / "out.wav").string() << "\n";
        conf.close();
        setenv("ALSOFT_CONF", (path / "alsoft.conf").c_str(), 1);
        setenv("ALSOFT_DRIVERS", "wave", 1);
        return true;
    }();
    (void)configured;
    return folder.path() / "out.wav";
}

} // namespace testsupport
