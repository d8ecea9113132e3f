#pragma once
// Writes ZIP archives (.zip, .pk3, self-extracting .exe) for tests and benchmarks from a plain
// list of members, so that a test shows the bytes it depends on.
//
//   std::vector<testsupport::ZipMember> members = {
//       {.name = "demos/a.dm_48", .data = demoBytes, .deflate = true},
//       {.name = "demos/"},                                   // a folder entry
//   };
//   testsupport::WriteFile(dir / "pak9.pk3", testsupport::BuildZip(members));
//
// Names are stored as given (use "/" between folders, as real archivers do). Offsets in the
// directory are positions in the whole file, stub included (like "zip -A").
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

// 2021-06-15 12:30:00 as a packed DOS date-time (date in the high 16 bits).
constexpr uint32_t kDefaultDosTime = (uint32_t{(2021 - 1980) << 9 | 6 << 5 | 15} << 16) | (12 << 11 | 30 << 5);

struct ZipMember {
    std::string name{};
    std::vector<uint8_t> data{}; // uncompressed contents
    bool deflate = false;        // raw deflate (method 8), else stored (method 0)
    uint32_t dosTime = kDefaultDosTime;
    std::string comment{};            // entry comment in the central directory
    bool dataDescriptor = false;      // flag bit 3: zero CRC and sizes locally, a descriptor follows the data
    bool descriptorSignature = true;  // write "PK" 7 8 in front of the descriptor
    uint16_t methodOverride = 0xFFFF; // method number written instead of the real one (data unchanged)
    uint16_t extraFlags = 0;          // OR-ed into the general purpose flags (1 = encrypted)
    bool badCrc = false;              // store a CRC that does not match the data
    uint8_t attributes = 0;           // MS-DOS attributes (1 read-only, 16 folder); written as made on MS-DOS
    std::string extra{};              // extra field, written in both headers
};

struct ZipOptions {
    std::string comment{};  // archive comment behind the end record (up to 65535 bytes)
    size_t exeStubSize = 0; // when > 0: an "MZ" executable stub of this size (>= 64) in front
};

// Where things ended up, for tests that patch or check bytes.
struct ZipLayout {
    std::vector<uint32_t> headerOffsets; // local header position of each member
    uint32_t directoryOffset = 0;
    uint32_t directorySize = 0;
    uint32_t endRecordOffset = 0;
};

std::vector<uint8_t> BuildZip(const std::vector<ZipMember>& members, const ZipOptions& options = {},
                              ZipLayout* layout = nullptr);

// Raw deflate (no zlib header), as ZIP method 8 stores it.
std::vector<uint8_t> RawDeflate(const std::vector<uint8_t>& data);
uint32_t Crc32(const std::vector<uint8_t>& data);

// Bytes that do not compress to nothing: a repeatable pseudo-random mix of text and noise.
std::vector<uint8_t> SampleBytes(size_t size, uint32_t seed = 1);

// Writes the bytes to the file, creating missing folders; fails the current test on error.
void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

} // namespace testsupport
