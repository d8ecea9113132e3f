#include "core/sound/WaveHeader.h"
#include "support/WaveBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

using namespace core;
using testsupport::BuildRiff;
using testsupport::DataChunk;
using testsupport::FmtChunk;
using testsupport::WaveChunk;

namespace {

// What PlaySoundFromPak hands the parser: the member's first 50 bytes at most.
std::vector<uint8_t> Head(std::vector<uint8_t> bytes, size_t size = kWaveHeaderBytes)
{
    bytes.resize(std::min(bytes.size(), size));
    return bytes;
}

std::vector<uint8_t> Samples(size_t count)
{
    return std::vector<uint8_t>(count, 0x11);
}

TEST(SoundWaveTest, ReadsFormatSizeAndOffsetOfPlayableHeaders)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        WaveFormat format;
        uint32_t dataSize;
        uint32_t dataOffset;
    };
    WaveChunk oddFmt = FmtChunk(1, 2, 44100, 8);
    oddFmt.body.push_back(0); // 17 bytes, padded to 18 in the file
    const std::vector<Case> cases = {
        {"plain 44-byte header", Head(testsupport::PlainWave(Samples(100))), {1, 1, 22050, 44100, 2, 16}, 100, 44},
        {"non-PCM with extra length",
         Head(BuildRiff({FmtChunk(2, 1, 11025, 4), DataChunk(Samples(8))})),
         {2, 1, 11025, 0, 0, 4},
         8,
         46},
        {"odd fmt size padded", Head(BuildRiff({oddFmt, DataChunk(Samples(6))})), {1, 2, 44100, 88200, 2, 8}, 6, 46},
        {"member without samples",
         BuildRiff({FmtChunk(1, 1, 22050, 16), DataChunk({}, 4000)}),
         {1, 1, 22050, 44100, 2, 16},
         4000,
         44},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WaveHeader header;
        ASSERT_EQ(ParseWaveHeader(c.bytes, header), WaveHeaderResult::Ok);
        const WaveFormat& f = header.format;
        EXPECT_EQ(std::tie(f.formatTag, f.channels, f.samplesPerSec, f.avgBytesPerSec, f.blockAlign, f.bitsPerSample),
                  std::tie(c.format.formatTag, c.format.channels, c.format.samplesPerSec, c.format.avgBytesPerSec,
                           c.format.blockAlign, c.format.bitsPerSample));
        EXPECT_EQ(std::tie(header.dataSize, header.dataOffset), std::tie(c.dataSize, c.dataOffset));
    }
}

TEST(SoundWaveTest, EachDamageGivesItsText)
{
    const std::vector<uint8_t> plain = testsupport::PlainWave(Samples(100));
    WaveChunk shortFmt = FmtChunk(1, 1, 22050, 16);
    shortFmt.sizeField = 14;
    std::vector<uint8_t> notRiff = plain;
    notRiff[3] = 'X';
    // WAVE_FORMAT_EXTENSIBLE: a 40-byte "fmt " chunk runs past the 50 bytes read.
    const auto extensible = BuildRiff({FmtChunk(0xFFFE, 2, 44100, 16, 22), DataChunk(Samples(8))});
    const auto junkFirst = BuildRiff({WaveChunk{"LIST", Samples(4)}, FmtChunk(1, 1, 22050, 16), DataChunk(Samples(8))});

    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        WaveHeaderResult result;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"empty member", {}, WaveHeaderResult::InvalidFile, "Invalid multimedia file!"},
        {"RIFF without form type", Head(plain, 10), WaveHeaderResult::InvalidFile, "Invalid multimedia file!"},
        {"not RIFF", Head(notRiff), WaveHeaderResult::NotWave, "Not a wave file!"},
        {"other form type", Head(BuildRiff({FmtChunk(1, 1, 22050, 16)}, "AVI ")), WaveHeaderResult::NotWave,
         "Not a wave file!"},
        {"no fmt chunk", Head(BuildRiff({DataChunk(Samples(40))})), WaveHeaderResult::NoFmtChunk,
         "Couldn't find 'fmt' chunk!"},
        {"fmt outside the RIFF chunk", Head(BuildRiff({FmtChunk(1, 1, 22050, 16), DataChunk(Samples(8))}, "WAVE", 4)),
         WaveHeaderResult::NoFmtChunk, "Couldn't find 'fmt' chunk!"},
        {"fmt shorter than 16", Head(BuildRiff({shortFmt, DataChunk(Samples(8))})), WaveHeaderResult::AbnormalFmtSize,
         "Abnormal 'fmt' size!"},
        {"fmt cut short", Head(plain, 30), WaveHeaderResult::FmtReadError, "Error reading 'fmt' chunk!"},
        {"extra length cut short", Head(BuildRiff({FmtChunk(3, 1, 22050, 32), DataChunk(Samples(8))}), 37),
         WaveHeaderResult::ExtraLengthReadError, "Error reading 'waveformatex' length!"},
        {"fmt ends past the bytes read", Head(extensible), WaveHeaderResult::FmtAscendError,
         "Error ascending from 'fmt' chunk!"},
        {"no data chunk", Head(BuildRiff({FmtChunk(1, 1, 22050, 16)})), WaveHeaderResult::InfoError,
         "Error getting info!"},
        {"data chunk beyond 50 bytes", Head(junkFirst), WaveHeaderResult::InfoError, "Error getting info!"},
        {"data header cut short", Head(plain, 40), WaveHeaderResult::InfoError, "Error getting info!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WaveHeader header;
        header.dataSize = 77;
        EXPECT_EQ(ParseWaveHeader(c.bytes, header), c.result);
        EXPECT_EQ(WaveHeaderErrorText(c.result), c.text);
        EXPECT_EQ(header.dataSize, 77u) << "a failed parse leaves the header alone";
    }
}

} // namespace
