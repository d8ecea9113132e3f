#include "core/archive/ZipRead.h"

#include "core/common/DosDateTime.h"
#include "core/common/LittleEndian.h"
#include "core/common/TextEncoding.h"
#include "platform/RegularFile.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace core {
namespace {

namespace fs = std::filesystem;

constexpr size_t kWindowSize = 128000; // largest directory held in one piece
constexpr size_t kEndSearchWindow = 4096;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kEntryFixedSize = 46;
constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kMaxNameLength = 259;
constexpr size_t kOutputBlock = 32768;
constexpr size_t kInputChunk = 2048; // the pump runs after each chunk of compressed input
constexpr auto kStaleMark = std::chrono::milliseconds(30000);
constexpr uint32_t kDescriptorSignature = 0x08074B50;
constexpr uint8_t kReadOnlyAttribute = 0x01;
constexpr uint8_t kDirectoryAttribute = 0x10;

bool HasSignature(const uint8_t* p, uint8_t third, uint8_t fourth)
{
    return p[0] == 'P' && p[1] == 'K' && p[2] == third && p[3] == fourth;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

bool SeekTo(std::FILE* f, uint64_t pos)
{
#ifdef _WIN32
    return _fseeki64(f, static_cast<__int64>(pos), SEEK_SET) == 0;
#else
    return fseeko(f, static_cast<off_t>(pos), SEEK_SET) == 0;
#endif
}

// Bytes actually read; a short count means the file ended or failed there.
size_t ReadAt(std::FILE* f, uint64_t pos, uint8_t* out, size_t count)
{
    if (count == 0 || !SeekTo(f, pos))
        return 0;
    return std::fread(out, 1, count, f);
}

uint64_t FileSize(std::FILE* f)
{
#ifdef _WIN32
    if (_fseeki64(f, 0, SEEK_END) != 0)
        return 0;
    const __int64 size = _ftelli64(f);
#else
    if (fseeko(f, 0, SEEK_END) != 0)
        return 0;
    const off_t size = ftello(f);
#endif
    return size > 0 ? static_cast<uint64_t>(size) : 0;
}

// Folders, pipes and devices are never archives.
FilePtr OpenArchive(const std::string& path)
{
    return FilePtr(platform::OpenRegularFileStream(path));
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// Position of the end record: the last "PK" 5 6 with room for the 22-byte record behind it,
// searched in overlapping windows from the end so that a long archive comment does not hide it.
std::optional<uint64_t> FindEndRecord(std::FILE* f, uint64_t size, uint32_t& directoryStart)
{
    const size_t length = static_cast<size_t>(std::min<uint64_t>(kEndSearchWindow, size));
    std::array<uint8_t, kEndSearchWindow> window{};
    uint64_t start = size - length;
    for (;;) {
        if (ReadAt(f, start, window.data(), length) != length)
            return std::nullopt;
        if (length >= kEndRecordSize) {
            for (size_t p = length - kEndRecordSize + 1; p-- > 0;) {
                if (HasSignature(&window[p], 5, 6)) {
                    directoryStart = Le32(&window[p + 16]);
                    return start + p;
                }
            }
        }
        if (start == 0)
            return std::nullopt;
        const uint64_t step = length - kEndRecordSize;
        start = start > step ? start - step : 0;
    }
}

int Release(ZipSearchRec& search, int result)
{
    if (result != 0)
        CloseZipSearch(search);
    return result;
}

size_t RemainingBytes(const ZipSearchRec& s)
{
    return s.entryOffset < s.bufferSize ? s.bufferSize - s.entryOffset : 0;
}

bool EntryFits(const ZipSearchRec& s)
{
    const size_t remaining = RemainingBytes(s);
    if (remaining < kEntryFixedSize)
        return false;
    const uint8_t* p = s.buffer.data() + s.entryOffset;
    return kEntryFixedSize + Le16(p + 28) + Le16(p + 30) <= remaining;
}

// Window mode: keeps the unread rest and reads on behind it. A comment that ran past the buffer
// leaves the entry offset beyond the buffer end; those bytes are skipped in the archive.
bool RefillWindow(ZipSearchRec& s)
{
    size_t rest = 0;
    if (s.entryOffset < s.bufferSize) {
        rest = s.bufferSize - s.entryOffset;
        std::memmove(s.buffer.data(), s.buffer.data() + s.entryOffset, rest);
    } else {
        s.windowEnd = std::min(s.directoryEnd, s.windowEnd + (s.entryOffset - s.bufferSize));
    }
    s.entryOffset = 0;
    s.bufferSize = rest;
    const size_t wanted = static_cast<size_t>(std::min<uint64_t>(kWindowSize - rest, s.directoryEnd - s.windowEnd));
    if (wanted == 0)
        return true; // nothing left to read: the checks below decide
    if (ReadAt(s.archive, s.windowEnd, s.buffer.data() + rest, wanted) != wanted)
        return false;
    s.windowEnd += wanted;
    s.bufferSize += wanted;
    return true;
}

int MakeNextEntryCurrent(ZipSearchRec& s)
{
    if (s.archive && !EntryFits(s) && !RefillWindow(s))
        return Release(s, 1);
    const size_t remaining = RemainingBytes(s);
    const uint8_t* p = s.buffer.data() + s.entryOffset;
    if (remaining >= 4 && HasSignature(p, 5, 6))
        return Release(s, 1);
    if (!EntryFits(s) || !HasSignature(p, 1, 2))
        return Release(s, 1);

    s.flags = Le16(p + 8);
    s.method = Le16(p + 10);
    s.time = Le32(p + 12);
    s.crc = Le32(p + 16);
    s.compressedSize = Le32(p + 20);
    s.size = Le32(p + 24);
    const size_t nameLength = Le16(p + 28);
    const size_t extraLength = Le16(p + 30);
    const size_t commentLength = Le16(p + 32);
    s.attributes = p[5] == 0 ? p[38] : 0; // only MS-DOS attributes mean anything to us
    s.headerOffset = Le32(p + 42);
    s.name.assign(reinterpret_cast<const char*>(p + kEntryFixedSize), std::min(nameLength, kMaxNameLength));
    std::replace(s.name.begin(), s.name.end(), '/', '\\');
    s.entryOffset += kEntryFixedSize + nameLength + extraLength + commentLength;
    return 0;
}

bool MatchesPattern(const ZipSearchRec& s, const std::string& lowerPattern)
{
    return MatchWildcard("\\" + LowerCase(s.name), lowerPattern);
}

// --- extraction -----------------------------------------------------------------------------

// The in-progress mark only keeps a nested call (from the pump) out; extractions on other
// threads are independent, so the mark is per thread.
struct ExtractionMark {
    bool active = false;
    std::chrono::steady_clock::time_point lastPump{};
};
thread_local ExtractionMark tMark;

std::mutex gPumpMutex;
std::function<void()> gPump;
std::thread::id gPumpThread; // the pump keeps that thread's window alive; others have none

std::function<void()> CurrentPump()
{
    std::lock_guard lock(gPumpMutex);
    if (std::this_thread::get_id() != gPumpThread)
        return {};
    return gPump;
}

class ExtractionGuard {
public:
    ExtractionGuard()
    {
        const auto now = std::chrono::steady_clock::now();
        if (tMark.active && now - tMark.lastPump <= kStaleMark)
            return;
        tMark.active = true;
        tMark.lastPump = now;
        m_owned = true;
    }
    ~ExtractionGuard()
    {
        if (m_owned)
            tMark.active = false;
    }
    ExtractionGuard(const ExtractionGuard&) = delete;
    ExtractionGuard& operator=(const ExtractionGuard&) = delete;
    bool Owned() const { return m_owned; }

private:
    bool m_owned = false;
};

struct Pump {
    std::function<void()> callback = CurrentPump();
    void operator()() const
    {
        tMark.lastPump = std::chrono::steady_clock::now();
        if (callback)
            callback();
    }
};

struct LocalMember {
    uint16_t flags = 0;
    uint16_t method = 0;
    uint32_t dosTime = 0;
    uint32_t crc = 0;
    uint32_t compressedSize = 0;
    uint64_t dataStart = 0;
};

UnzipResult ReadLocalHeader(std::FILE* f, uint32_t headerOffset, LocalMember& m)
{
    std::array<uint8_t, kLocalHeaderSize> h{};
    if (ReadAt(f, headerOffset, h.data(), h.size()) != h.size() || !HasSignature(h.data(), 3, 4))
        return UnzipResult::BadHeader;
    m.flags = Le16(&h[6]);
    m.method = Le16(&h[8]);
    m.dosTime = static_cast<uint32_t>(Le16(&h[10])) | (static_cast<uint32_t>(Le16(&h[12])) << 16);
    m.crc = Le32(&h[14]);
    m.compressedSize = Le32(&h[18]);
    m.dataStart = uint64_t{headerOffset} + kLocalHeaderSize + Le16(&h[26]) + Le16(&h[28]);
    // Methods 1 to 6 (shrink, reduce, implode) predate deflate; nothing we read uses them.
    if (m.method != 0 && m.method != 8)
        return UnzipResult::NotSupported;
    if (m.flags & 1)
        return UnzipResult::Encrypted;
    return UnzipResult::Ok;
}

using BlockSink = std::function<bool(const uint8_t*, size_t)>;

// Collects output into 32768-byte blocks, hands each full block to the sink and keeps the CRC.
class BlockWriter {
public:
    explicit BlockWriter(BlockSink sink) : m_sink(std::move(sink)), m_block(kOutputBlock) {}

    uint8_t* FreeSpace() { return m_block.data() + m_fill; }
    size_t FreeBytes() const { return kOutputBlock - m_fill; }
    // After `count` bytes were placed at FreeSpace().
    void Commit(size_t count)
    {
        m_fill += count;
        if (m_fill == kOutputBlock)
            Flush();
    }
    void Flush()
    {
        if (m_fill == 0)
            return;
        m_crc = crc32(m_crc, m_block.data(), static_cast<uInt>(m_fill));
        if (!m_failed && !m_sink(m_block.data(), m_fill))
            m_failed = true;
        m_fill = 0;
    }
    uint32_t Crc() const { return static_cast<uint32_t>(m_crc); }
    bool Failed() const { return m_failed; }

private:
    BlockSink m_sink;
    std::vector<uint8_t> m_block;
    size_t m_fill = 0;
    uLong m_crc = crc32(0, nullptr, 0);
    bool m_failed = false;
};

// Input of a member: at most `limit` bytes from the data start, never past the archive's end.
class MemberInput {
public:
    MemberInput(std::FILE* f, uint64_t start, uint64_t limit, const Pump& pump)
        : m_file(f), m_limit(limit), m_pump(pump)
    {
        m_ok = SeekTo(f, start);
    }
    // Next chunk of up to 2048 bytes; empty at the limit, at the archive's end or on a read error.
    size_t Next()
    {
        if (!m_ok || m_read >= m_limit)
            return 0;
        const size_t wanted = static_cast<size_t>(std::min<uint64_t>(kInputChunk, m_limit - m_read));
        const size_t got = std::fread(m_chunk.data(), 1, wanted, m_file);
        if (got != wanted)
            m_ok = false;
        m_read += got;
        if (got > 0)
            m_pump();
        return got;
    }
    uint8_t* Data() { return m_chunk.data(); }
    uint64_t BytesRead() const { return m_read; }

private:
    std::FILE* m_file;
    uint64_t m_limit;
    const Pump& m_pump;
    std::array<uint8_t, kInputChunk> m_chunk{};
    uint64_t m_read = 0;
    bool m_ok = true;
};

// A member whose data ends early (a cut-off download) is damaged like one with a wrong CRC and
// gets the same result.
UnzipResult CopyStored(std::FILE* f, const LocalMember& m, const Pump& pump, BlockWriter& out, uint64_t& dataEnd)
{
    MemberInput input(f, m.dataStart, m.compressedSize, pump);
    while (size_t got = input.Next()) {
        size_t done = 0;
        while (done < got) {
            const size_t take = std::min(got - done, out.FreeBytes());
            std::memcpy(out.FreeSpace(), input.Data() + done, take);
            out.Commit(take);
            done += take;
        }
    }
    dataEnd = m.dataStart + input.BytesRead();
    return input.BytesRead() == m.compressedSize ? UnzipResult::Ok : UnzipResult::CrcError;
}

// Inflates until the stream ends. Running out of input first (the archive or the compressed
// size ends inside the stream) and corrupt data both give the CRC error result.
UnzipResult InflateMember(std::FILE* f, uint64_t archiveSize, const LocalMember& m, const Pump& pump, BlockWriter& out,
                          uint64_t& dataEnd)
{
    const uint64_t available = archiveSize > m.dataStart ? archiveSize - m.dataStart : 0;
    // With a data descriptor the local sizes may be zero; the stream's own end is what counts.
    const uint64_t limit = (m.flags & 8) ? available : std::min<uint64_t>(m.compressedSize, available);
    MemberInput input(f, m.dataStart, limit, pump);

    z_stream zs{};
    if (inflateInit2(&zs, -MAX_WBITS) != Z_OK)
        return UnzipResult::CrcError;
    UnzipResult result = UnzipResult::CrcError;
    for (;;) {
        if (zs.avail_in == 0) {
            const size_t got = input.Next();
            if (got == 0)
                break; // input ended inside the stream
            zs.next_in = input.Data();
            zs.avail_in = static_cast<uInt>(got);
        }
        zs.next_out = out.FreeSpace();
        zs.avail_out = static_cast<uInt>(out.FreeBytes());
        const uInt before = zs.avail_out;
        const int ret = inflate(&zs, Z_NO_FLUSH);
        out.Commit(before - zs.avail_out);
        if (ret == Z_STREAM_END) {
            result = UnzipResult::Ok;
            break;
        }
        if (ret != Z_OK && ret != Z_BUF_ERROR)
            break;
    }
    dataEnd = m.dataStart + input.BytesRead() - zs.avail_in;
    inflateEnd(&zs);
    return result;
}

// The data descriptor's CRC. The descriptor's signature is optional in the format; when it is
// missing, the first four bytes are already the CRC.
bool DescriptorMatches(std::FILE* f, uint64_t dataEnd, uint32_t crc)
{
    std::array<uint8_t, 8> d{};
    const size_t got = ReadAt(f, dataEnd, d.data(), d.size());
    if (got < 4)
        return false;
    const uint32_t first = Le32(&d[0]);
    if (first == crc)
        return true; // no signature, or a CRC that happens to equal it
    return first == kDescriptorSignature && got == 8 && Le32(&d[4]) == crc;
}

UnzipResult Decompress(std::FILE* f, uint64_t archiveSize, const LocalMember& m, const Pump& pump, BlockWriter& out)
{
    uint64_t dataEnd = 0;
    const UnzipResult result =
        m.method == 0 ? CopyStored(f, m, pump, out, dataEnd) : InflateMember(f, archiveSize, m, pump, out, dataEnd);
    out.Flush();
    if (out.Failed())
        return UnzipResult::WriteError;
    if (result != UnzipResult::Ok)
        return result;
    const bool crcOk = (m.flags & 8) ? DescriptorMatches(f, dataEnd, out.Crc()) : out.Crc() == m.crc;
    return crcOk ? UnzipResult::Ok : UnzipResult::CrcError;
}

// The steps every extraction starts with: the in-progress guard, the pump, opening the archive
// and reading the member's local header; then `extract` runs on the opened member.
template <typename Extract>
UnzipResult WithMember(const std::string& archivePath, uint32_t headerOffset, Extract extract)
{
    ExtractionGuard guard;
    if (!guard.Owned())
        return UnzipResult::Busy;
    const Pump pump;
    pump();
    FilePtr f = OpenArchive(archivePath);
    if (!f)
        return UnzipResult::CannotOpen;
    const uint64_t archiveSize = FileSize(f.get());
    LocalMember m;
    if (UnzipResult r = ReadLocalHeader(f.get(), headerOffset, m); r != UnzipResult::Ok)
        return r;
    return extract(f.get(), archiveSize, m, pump);
}

UnzipResult ExtractToMemory(const std::string& archivePath, uint8_t* buffer, uint32_t& size, uint32_t skip,
                            uint32_t headerOffset)
{
    const uint32_t capacity = size;
    size = 0;
    return WithMember(archivePath, headerOffset,
                      [&](std::FILE* f, uint64_t archiveSize, const LocalMember& m, const Pump& pump) {
                          bool firstBlock = true;
                          uint32_t stored = 0;
                          BlockWriter out([&](const uint8_t* p, size_t n) {
                              size_t from = 0;
                              if (firstBlock) {
                                  from = std::min<size_t>(skip, n);
                                  firstBlock = false;
                              }
                              const size_t take = std::min<size_t>(n - from, capacity - stored);
                              if (take > 0) {
                                  std::memcpy(buffer + stored, p + from, take);
                                  stored += static_cast<uint32_t>(take);
                              }
                              return true; // a full buffer drops the rest, as documented
                          });
                          const UnzipResult result = Decompress(f, archiveSize, m, pump, out);
                          size = stored;
                          return result;
                      });
}

void ApplyTimeAndAttributes(const fs::path& target, uint32_t dosTime, uint8_t attributes)
{
    std::error_code ec;
    const auto seconds = std::chrono::seconds{UnixFromDosDateTime(dosTime)};
    fs::last_write_time(target, std::chrono::file_clock::from_sys(std::chrono::sys_seconds{seconds}), ec);
    // Of the DOS attributes only read-only has a counterpart here; hidden, system and archive
    // have none on Linux.
    if (attributes & kReadOnlyAttribute)
        fs::permissions(target, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove, ec);
}

FilePtr CreateTarget(const fs::path& target)
{
    FilePtr out(platform::CreateRegularFileStream(target.string()));
    if (!out && errno == ENOENT && target.has_parent_path()) {
        std::error_code ec;
        fs::create_directories(target.parent_path(), ec);
        out.reset(platform::CreateRegularFileStream(target.string()));
    }
    return out;
}

} // namespace

ZipSearchRec::~ZipSearchRec()
{
    CloseZipSearch(*this);
}

void CloseZipSearch(ZipSearchRec& search)
{
    std::vector<uint8_t>().swap(search.buffer);
    if (search.archive)
        std::fclose(search.archive);
    search.archive = nullptr;
    search.bufferSize = 0;
    search.entryOffset = 0;
    search.windowEnd = 0;
    search.directoryEnd = 0;
    search.open = false;
}

int FindFirstInZip(const std::string& archivePath, ZipSearchRec& search)
{
    CloseZipSearch(search);
    FilePtr f = OpenArchive(archivePath);
    if (!f)
        return -1;
    const uint64_t size = FileSize(f.get());
    if (size == 0)
        return -1;
    uint32_t directoryStart = 0;
    const std::optional<uint64_t> endRecord = FindEndRecord(f.get(), size, directoryStart);
    if (!endRecord)
        return -1;
    if (*endRecord < kEntryFixedSize)
        return -2;
    // A start behind the end record cannot be a directory; reading "backwards" would be
    // nonsense, so the archive counts as unreadable.
    if (directoryStart > *endRecord)
        return -1;

    const uint64_t directoryLength = *endRecord - directoryStart + 4; // with the end signature
    const bool windowMode = directoryLength >= kWindowSize;
    const size_t length = windowMode ? kWindowSize : static_cast<size_t>(directoryLength);
    search.buffer.assign(length, 0);
    if (ReadAt(f.get(), directoryStart, search.buffer.data(), length) != length) {
        CloseZipSearch(search);
        return -1;
    }
    search.bufferSize = length;
    search.entryOffset = 0;
    search.archiveSize = size;
    search.open = true;
    if (windowMode) {
        search.windowEnd = directoryStart + length;
        search.directoryEnd = *endRecord + 4;
        search.archive = f.release();
    }
    return MakeNextEntryCurrent(search);
}

int FindNextInZip(ZipSearchRec& search)
{
    if (!search.open)
        return Release(search, -2);
    return MakeNextEntryCurrent(search);
}

int FindMemberByName(const std::string& archivePath, std::string_view name, ZipSearchRec& search)
{
    int result = FindFirstInZip(archivePath, search);
    while (result == 0 && !EqualsIgnoringCase(search.name, name))
        result = FindNextInZip(search);
    return result;
}

int FindFirstMatching(const std::string& archivePath, std::string_view pattern, ZipSearchRec& search)
{
    const std::string lowerPattern = LowerCase(pattern);
    int result = FindFirstInZip(archivePath, search);
    while (result == 0 && !MatchesPattern(search, lowerPattern))
        result = FindNextInZip(search);
    return result;
}

int FindNextMatching(std::string_view pattern, ZipSearchRec& search)
{
    const std::string lowerPattern = LowerCase(pattern);
    int result = FindNextInZip(search);
    while (result == 0 && !MatchesPattern(search, lowerPattern))
        result = FindNextInZip(search);
    return result;
}

bool MatchWildcard(std::string_view text, std::string_view pattern)
{
    constexpr size_t none = std::string_view::npos;
    size_t t = 0, p = 0, star = none, starText = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            starText = t;
        } else if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (star != none) {
            p = star + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool IsZipFile(const std::string& path)
{
    if (path.find('.') == std::string::npos)
        return false;
    std::string file = path;
    while (!file.empty() && (file.back() == '\\' || file.back() == '/'))
        file.pop_back();
    FilePtr f = OpenArchive(file);
    if (!f)
        return false;
    std::array<uint8_t, 10> head{};
    const size_t got = ReadAt(f.get(), 0, head.data(), head.size());
    if (got == head.size() && HasSignature(head.data(), 3, 4))
        return true;
    // A self-extracting archive: the ZIP data follows the executable image, whose length the
    // MZ header gives in 512-byte pages and the bytes used in the last page.
    if (got < 6 || head[0] != 'M' || head[1] != 'Z')
        return false;
    const uint32_t lastPage = Le16(&head[2]);
    const uint32_t pages = Le16(&head[4]);
    const int64_t imageEnd = int64_t{pages} * 512 + lastPage - (lastPage != 0 ? 512 : 0);
    if (imageEnd <= 0)
        return false;
    std::array<uint8_t, 5> tail{};
    const size_t tailGot = ReadAt(f.get(), static_cast<uint64_t>(imageEnd), tail.data(), tail.size());
    if (tailGot < 4)
        return false;
    if (HasSignature(tail.data(), 3, 4))
        return true;
    if (tail[0] == 68 && tail[1] == 36 && tail[2] == 4 && tail[3] == 139)
        return true;
    return tailGot == 5 && HasSignature(tail.data() + 1, 3, 4);
}

UnzipResult UnzipFileToMemory(const std::string& archivePath, uint8_t* buffer, uint32_t& size, uint32_t headerOffset)
{
    return ExtractToMemory(archivePath, buffer, size, 0, headerOffset);
}

UnzipResult UnzipFileToMemoryFrom(const std::string& archivePath, uint8_t* buffer, uint32_t& size, uint32_t skip,
                                  uint32_t headerOffset)
{
    return ExtractToMemory(archivePath, buffer, size, skip, headerOffset);
}

UnzipResult UnzipFile(const std::string& archivePath, const std::string& targetPath, uint8_t attributes,
                      uint32_t headerOffset)
{
    std::string target = targetPath;
    const bool folderOnly =
        (attributes & kDirectoryAttribute) || target.empty() || target.back() == '/' || target.back() == '\\';
    if (folderOnly) {
        while (target.size() > 1 && (target.back() == '/' || target.back() == '\\'))
            target.pop_back();
        std::error_code ec;
        fs::create_directories(target, ec);
        // Reporting success for a folder that could not be made would hide the failure.
        return fs::is_directory(target, ec) ? UnzipResult::Ok : UnzipResult::WriteError;
    }

    return WithMember(
        archivePath, headerOffset, [&](std::FILE* f, uint64_t archiveSize, const LocalMember& m, const Pump& pump) {
            const fs::path targetFile(target);
            FilePtr out = CreateTarget(targetFile);
            if (!out)
                return UnzipResult::WriteError;
            BlockWriter writer([&](const uint8_t* p, size_t n) { return std::fwrite(p, 1, n, out.get()) == n; });
            UnzipResult result = Decompress(f, archiveSize, m, pump, writer);
            if (std::fclose(out.release()) != 0 && result == UnzipResult::Ok)
                result = UnzipResult::WriteError;
            std::error_code ec;
            if (result != UnzipResult::Ok) {
                fs::remove(targetFile, ec);
                return result;
            }
            ApplyTimeAndAttributes(targetFile, m.dosTime, attributes);
            return UnzipResult::Ok;
        });
}

uint64_t MaxPlausibleSize(uint16_t method, uint32_t compressedSize, uint64_t bytesFromHeader)
{
    const uint64_t data = std::min<uint64_t>(compressedSize, bytesFromHeader);
    if (method == 0)
        return data;
    // Other methods are refused before anything is allocated for them. The constant covers the
    // block headers of tiny streams.
    return data * kDeflateMaxRatio + 1024;
}

std::string UnsupportedMemberReason(uint16_t method, uint16_t flags)
{
    // AES-encrypted members announce themselves by method 99 rather than by the flag.
    if ((flags & 1) || method == 99)
        return "encryption";
    switch (method) {
    case 0:
    case 8:
        return {};
    case 1:
        return "Shrink compression";
    case 2:
    case 3:
    case 4:
    case 5:
        return "Reduce compression";
    case 6:
        return "Implode compression";
    case 9:
        return "Deflate64 compression";
    case 12:
        return "bzip2 compression";
    case 14:
        return "LZMA compression";
    case 93:
        return "Zstandard compression";
    case 95:
        return "XZ compression";
    case 98:
        return "PPMd compression";
    default:
        return "compression method " + std::to_string(method);
    }
}

bool FindMemberPlace(const std::string& archivePath, std::string_view name, MemberPlace& place)
{
    ZipSearchRec search;
    if (FindMemberByName(archivePath, name, search) != 0)
        return false;
    place.headerOffset = search.headerOffset;
    place.size = search.size;
    place.compressedSize = search.compressedSize;
    place.dosDateTime = search.time;
    place.method = search.method;
    place.flags = search.flags;
    place.archiveSize = search.archiveSize;
    CloseZipSearch(search);
    return true;
}

void SetExtractionPump(std::function<void()> pump)
{
    std::lock_guard lock(gPumpMutex);
    gPump = std::move(pump);
    gPumpThread = std::this_thread::get_id();
}

} // namespace core
