#pragma once
// WAVE sounds for tests, written chunk by chunk so that a test shows the bytes it depends on,
// and a reader for the files OpenAL Soft's "wave" back end writes.
//
//   auto wave = testsupport::BuildRiff({testsupport::FmtChunk(1, 1, 22050, 16),
//                                       testsupport::DataChunk(testsupport::Tone16(440, 0.2, 0.5))});
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

struct WaveChunk {
    std::string id; // four characters
    std::vector<uint8_t> body{};
    std::optional<uint32_t> sizeField{}; // written instead of the body's size
};

// "RIFF", size, form type, then the chunks, each padded to an even size.
std::vector<uint8_t> BuildRiff(const std::vector<WaveChunk>& chunks, const std::string& form = "WAVE",
                               std::optional<uint32_t> riffSize = std::nullopt);

// A "fmt " chunk; non-PCM formats (tag other than 1) get the 2-byte extra length and
// `extraBytes` bytes after it.
WaveChunk FmtChunk(uint16_t formatTag, uint16_t channels, uint32_t samplesPerSec, uint16_t bitsPerSample,
                   uint16_t extraBytes = 0);
WaveChunk DataChunk(std::vector<uint8_t> samples, std::optional<uint32_t> sizeField = std::nullopt);

// A sine tone as 16-bit little-endian mono samples; `amplitude` is a fraction of full scale.
std::vector<uint8_t> Tone16(double frequency, double seconds, double amplitude, uint32_t rate = 22050);

// A mono 16-bit PCM sound at 22050 Hz with the plain 44-byte header.
std::vector<uint8_t> PlainWave(const std::vector<uint8_t>& samples);

// Samples of a 16-bit WAVE file, first channel only, scaled to -1..1.
struct DecodedWave {
    uint32_t rate = 0;
    std::vector<float> samples;
};
std::optional<DecodedWave> ReadWaveFile(const std::filesystem::path& path);

// Root mean square of samples [begin, end).
double Rms(const std::vector<float>& samples, size_t begin, size_t end);

// Makes OpenAL Soft of this process write everything it plays, in mono 16-bit samples, to the
// returned file (one per process), instead of using a sound card. Must run before the process's
// first OpenAL call, as OpenAL Soft reads its configuration once; later calls only return the path.
std::filesystem::path UseWaveFileOutput();

} // namespace testsupport
