#pragma once
// Reading ZIP archives: the game's .pk3 packs, .zip files and self-extracting .exe files.
// Member names use "\" between folders, whatever the archive stores.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// State of one central directory search. Owned by the caller; CloseZipSearch releases it.
struct ZipSearchRec {
    std::vector<uint8_t> buffer; // the directory (or a window of it) + the end record's signature
    size_t bufferSize = 0;       // bytes in the buffer, 128000 at most
    size_t entryOffset = 0;      // position of the next entry in the buffer
    uint32_t time = 0;           // DOS date-time of the current member
    uint32_t size = 0;           // uncompressed size
    uint32_t compressedSize = 0;
    uint32_t headerOffset = 0; // local header position in the archive
    uint32_t crc = 0;
    std::string name; // at most 259 characters, "/" turned into "\"
    uint16_t method = 0;
    uint8_t attributes = 0; // MS-DOS external attributes, 0 for other systems
    uint16_t flags = 0;
    std::FILE* archive = nullptr; // open only in window mode (directories of 128000 bytes or more)
    uint64_t archiveSize = 0;
    uint64_t windowEnd = 0;    // archive position just past the bytes read into the buffer (window mode)
    uint64_t directoryEnd = 0; // archive position just past the directory and end signature (window mode)
    bool open = false;

    ZipSearchRec() = default;
    ZipSearchRec(const ZipSearchRec&) = delete;
    ZipSearchRec& operator=(const ZipSearchRec&) = delete;
    ~ZipSearchRec();
};

// Directory search results: 0 an entry is current, 1 no further entry, -1 the archive cannot be
// opened or read or has no end record, -2 too small for a directory or search not open.
// Every non-zero result releases the search.
int FindFirstInZip(const std::string& archivePath, ZipSearchRec& search);
int FindNextInZip(ZipSearchRec& search);
int FindMemberByName(const std::string& archivePath, std::string_view name, ZipSearchRec& search);
int FindFirstMatching(const std::string& archivePath, std::string_view pattern, ZipSearchRec& search);
int FindNextMatching(std::string_view pattern, ZipSearchRec& search);
void CloseZipSearch(ZipSearchRec& search);

// "*" any run, "?" one character, everything else itself (case-sensitive); whole text.
bool MatchWildcard(std::string_view text, std::string_view pattern);
bool IsZipFile(const std::string& path);

// Extraction results.
enum class UnzipResult {
    Ok,
    CrcError, // also data that ends early or does not inflate
    WriteError,
    CannotOpen,
    BadHeader,
    NotSupported, // a compression method other than stored and deflate
    Encrypted,
    Busy, // another extraction runs on this thread (called from inside its pump)
};

// Extracts the member whose local header is at headerOffset. On entry size is the buffer's
// capacity, on return the number of bytes stored; output beyond the capacity is dropped.
UnzipResult UnzipFileToMemory(const std::string& archivePath, uint8_t* buffer, uint32_t& size, uint32_t headerOffset);
// The same, without storing the first `skip` bytes of the first output block.
UnzipResult UnzipFileToMemoryFrom(const std::string& archivePath, uint8_t* buffer, uint32_t& size, uint32_t skip,
                                  uint32_t headerOffset);
// Extracts into a file (created or overwritten, folders made as needed); a target ending with
// "/" or "\", or attributes with the directory bit 16, only creates the folders.
UnzipResult UnzipFile(const std::string& archivePath, const std::string& targetPath, uint8_t attributes,
                      uint32_t headerOffset);

// Deflate's largest expansion: a long run of one byte costs at least a bit per 258 output bytes,
// about 1032 output bytes per input byte.
inline constexpr uint64_t kDeflateMaxRatio = 1032;

// Largest uncompressed size a member can honestly have: its compressed bytes, and never more of
// them than the archive holds behind the member's local header (`bytesFromHeader`), expanded at
// most by the method's ratio. A directory entry claiming more is damaged or hostile and must not
// be allocated for.
uint64_t MaxPlausibleSize(uint16_t method, uint32_t compressedSize, uint64_t bytesFromHeader);

// Where a member lies in its archive, as the archive's directory tells.
struct MemberPlace {
    uint32_t headerOffset = 0;
    uint32_t size = 0;
    uint32_t compressedSize = 0;
    uint32_t dosDateTime = 0;
    uint16_t method = 0;
    uint16_t flags = 0;       // general purpose flags; bit 0: encrypted
    uint64_t archiveSize = 0; // the archive's size in bytes when the directory was read

    // False when the entry claims more than the archive can hold for it.
    bool Plausible() const
    {
        const uint64_t fromHeader = archiveSize > headerOffset ? archiveSize - headerOffset : 0;
        return size <= MaxPlausibleSize(method, compressedSize, fromHeader);
    }
};

// Why a member cannot be extracted by this reader, for the user ("Deflate64 compression",
// "encryption"); empty for the stored and deflated members it reads.
std::string UnsupportedMemberReason(uint16_t method, uint16_t flags);

// FindMemberByName, keeping only where the member lies; the search is closed again.
bool FindMemberPlace(const std::string& archivePath, std::string_view name, MemberPlace& place);

// Called before an extraction starts and after every 2048 bytes of compressed input, so that the
// program can keep its window alive. Empty by default. Only extractions on the thread that set
// the pump call it (the scanner's reader threads have no window to keep alive).
void SetExtractionPump(std::function<void()> pump);

} // namespace core
