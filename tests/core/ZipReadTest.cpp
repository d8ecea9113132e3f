#include "core/archive/ZipRead.h"
#include "core/row/DemoInfo.h"
#include "support/ScratchDir.h"
#include "support/ZipBuilder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;
using namespace core;
using testsupport::BuildZip;
using testsupport::SampleBytes;
using testsupport::WriteFile;
using testsupport::ZipLayout;
using testsupport::ZipMember;
using testsupport::ZipOptions;

using testsupport::ScratchDir;

namespace {

std::string Write(const ScratchDir& dir, const std::string& name, const std::vector<uint8_t>& bytes)
{
    WriteFile(dir.File(name), bytes);
    return dir.File(name);
}

std::vector<uint8_t> Bytes(std::string_view text)
{
    return {text.begin(), text.end()};
}

// Every name the directory walk reports, and the walk's final result.
std::vector<std::string> ListNames(const std::string& archive, int& finalResult)
{
    std::vector<std::string> names;
    ZipSearchRec search;
    int r = FindFirstInZip(archive, search);
    while (r == 0) {
        names.push_back(search.name);
        r = FindNextInZip(search);
    }
    finalResult = r;
    EXPECT_FALSE(search.open);
    EXPECT_EQ(search.archive, nullptr);
    return names;
}

std::vector<std::string> MatchingNames(const std::string& archive, const std::string& pattern)
{
    std::vector<std::string> names;
    ZipSearchRec search;
    for (int r = FindFirstMatching(archive, pattern, search); r == 0; r = FindNextMatching(pattern, search))
        names.push_back(search.name);
    return names;
}

void PutLe32(std::vector<uint8_t>& bytes, size_t pos, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[pos + i] = static_cast<uint8_t>(value >> (8 * i));
}

} // namespace

TEST(ZipDirectory, ReportsEachEntryWithItsFields)
{
    ScratchDir dir;
    const auto demo = SampleBytes(5000);
    ZipLayout layout;
    const auto archive = Write(
        dir, "pak.pk3",
        BuildZip({{.name = "demos/", .attributes = 16},
                  {.name = "demos/a.dm3", .data = demo, .deflate = true, .comment = "pov: me", .extra = "XY\x02\x00ab"},
                  {.name = "b.dm_48", .data = Bytes("hello"), .dosTime = 0x12345678, .attributes = 1}},
                 {}, &layout));
    ZipSearchRec search;
    ASSERT_EQ(FindFirstInZip(archive, search), 0);
    EXPECT_EQ(search.name, "demos\\");
    EXPECT_EQ(search.attributes, 16);
    ASSERT_EQ(FindNextInZip(search), 0);
    EXPECT_EQ(search.name, "demos\\a.dm3");
    EXPECT_EQ(search.method, 8);
    EXPECT_EQ(search.size, demo.size());
    EXPECT_EQ(search.compressedSize, testsupport::RawDeflate(demo).size());
    EXPECT_EQ(search.crc, testsupport::Crc32(demo));
    EXPECT_EQ(search.headerOffset, layout.headerOffsets[1]);
    EXPECT_EQ(search.time, testsupport::kDefaultDosTime);
    ASSERT_EQ(FindNextInZip(search), 0); // the comment and extra field of the entry before are stepped over
    EXPECT_EQ(search.name, "b.dm_48");
    EXPECT_EQ(search.method, 0);
    EXPECT_EQ(search.time, 0x12345678u);
    EXPECT_EQ(search.attributes, 1);
    EXPECT_EQ(search.headerOffset, layout.headerOffsets[2]);
    EXPECT_EQ(FindNextInZip(search), 1);
    EXPECT_FALSE(search.open);
    EXPECT_EQ(FindNextInZip(search), -2);
}

TEST(ZipDirectory, FindsTheEndRecordBehindArchiveComments)
{
    // Around one search window (4096 bytes) and well beyond it.
    for (size_t length : {0, 100, 4073, 4074, 4075, 4096, 8170, 12000, 65535}) {
        ScratchDir dir;
        ZipOptions options{.comment = std::string(length, 'c')};
        if (length > 0)
            options.comment[length / 2] = 'P'; // a lone "P" must not confuse the search
        const auto archive = Write(dir, "c.zip", BuildZip({{.name = "x.dm3"}, {.name = "y.dm3"}}, options));
        int result = 0;
        EXPECT_EQ(ListNames(archive, result), (std::vector<std::string>{"x.dm3", "y.dm3"})) << length;
        EXPECT_EQ(result, 1);
    }
}

TEST(ZipDirectory, LargeDirectoryIsReadInWindowsAndListsEveryMemberOnce)
{
    ScratchDir dir;
    std::vector<ZipMember> members;
    std::vector<std::string> expected;
    size_t directoryBytes = 0;
    for (int i = 0; i < 3000; ++i) {
        // Varying lengths put entry boundaries, names and comments across the window ends.
        std::string name =
            "demos/" + std::to_string(i) + "_" + std::string(static_cast<size_t>(i * 7 % 90), 'n') + ".dm_48";
        std::string comment(static_cast<size_t>(i * 13 % 300), 'c');
        directoryBytes += 46 + name.size() + comment.size();
        expected.push_back(name);
        std::replace(expected.back().begin(), expected.back().end(), '/', '\\');
        members.push_back({.name = name, .data = Bytes(std::to_string(i)), .comment = comment});
    }
    ASSERT_GT(directoryBytes, 3u * 128000);
    const auto archive = Write(dir, "big.pk3", BuildZip(members));

    int result = 0;
    EXPECT_EQ(ListNames(archive, result), expected);
    EXPECT_EQ(result, 1);

    ZipSearchRec search;
    ASSERT_EQ(FindMemberByName(archive, expected.back(), search), 0);
    std::array<uint8_t, 8> out{};
    uint32_t size = out.size();
    EXPECT_EQ(UnzipFileToMemory(archive, out.data(), size, search.headerOffset), UnzipResult::Ok);
    EXPECT_EQ(std::string(out.begin(), out.begin() + size), "2999");
}

TEST(ZipDirectory, LastEntryCutByTheWindowEndIsStillListed)
{
    // 1280 entries of 100 bytes fill the first 128000-byte window exactly up to the last entry,
    // which is 20 bytes longer; only 24 bytes (its tail and the end signature) remain to read.
    ScratchDir dir;
    std::vector<ZipMember> members;
    for (int i = 0; i < 1280; ++i) {
        std::string name = std::to_string(100000 + i);
        name.resize(i == 1279 ? 74 : 54, 'n');
        members.push_back({.name = name});
    }
    ZipLayout layout;
    const auto archive = Write(dir, "edge.zip", BuildZip(members, {}, &layout));
    ASSERT_EQ(layout.directorySize + 4, 128024u);
    int result = 0;
    const auto names = ListNames(archive, result);
    ASSERT_EQ(names.size(), 1280u);
    EXPECT_EQ(names.back(), members.back().name);
    EXPECT_EQ(result, 1);
}

TEST(ZipDirectory, DamagedOrForeignFiles)
{
    ScratchDir dir;
    ZipLayout layout;
    const auto good = BuildZip({{.name = "a.dm3", .data = Bytes("abc")}, {.name = "b.dm3"}}, {}, &layout);
    auto startBehindEnd = good;
    PutLe32(startBehindEnd, layout.endRecordOffset + 16, layout.endRecordOffset + 1);
    auto startInData = good;
    PutLe32(startInData, layout.endRecordOffset + 16, 3);
    auto hugeNameLength = good;
    hugeNameLength[layout.directoryOffset + 28] = 0xFF;
    hugeNameLength[layout.directoryOffset + 29] = 0xFF;
    auto secondEntryBroken = good;
    secondEntryBroken[layout.directoryOffset + 46 + 5] = 'X';
    const std::vector<uint8_t> endRecordOnly = BuildZip({});

    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        int first;
        size_t listed;
    };
    const std::vector<Case> cases = {
        {"empty file", {}, -1, 0},
        {"no end record", SampleBytes(10000), -1, 0},
        {"end record only", endRecordOnly, -2, 0},
        {"directory start behind the end record", startBehindEnd, -1, 0},
        {"directory start inside member data", startInData, 1, 0},
        {"name running past the directory", hugeNameLength, 1, 0},
        {"second entry without signature", secondEntryBroken, 0, 1},
    };
    for (const Case& c : cases) {
        const auto archive = Write(dir, "d.zip", c.bytes);
        ZipSearchRec search;
        EXPECT_EQ(FindFirstInZip(archive, search), c.first) << c.what;
        int result = 0;
        EXPECT_EQ(ListNames(archive, result).size(), c.listed) << c.what;
    }
    ZipSearchRec search;
    EXPECT_EQ(FindFirstInZip(dir.File("missing.zip"), search), -1);
    EXPECT_EQ(FindFirstInZip(dir.path().string(), search), -1);
}

TEST(ZipWildcard, MatchWildcard)
{
    struct Case {
        const char* text;
        const char* pattern;
        bool match;
    };
    const Case cases[] = {
        {"", "", true},
        {"", "*", true},
        {"a", "", false},
        {"abc", "abc", true},
        {"abc", "ABC", false},
        {"abc", "a?c", true},
        {"ac", "a?c", false},
        {"abc", "*c", true},
        {"abcd", "*c", false},
        {"\\x.dm3", "*\\*.dm*", true},
        {"\\d\\x.dm_48", "*\\*.dm*", true},
        {"\\x.txt", "*\\*.dm*", false},
        {"aXbXc", "a*b*c", true},
        {"abab", "*ab", true},
        {"aaab", "*a?b", true},
        {"mississippi", "m*iss*ppi", true},
        {"mississippi", "m*iss*x", false},
        {"ab", "**b", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchWildcard(c.text, c.pattern), c.match) << c.text << " ~ " << c.pattern;
}

TEST(ZipWildcard, MatchingMembersInAnyFolderIgnoringCase)
{
    ScratchDir dir;
    const auto archive = Write(dir, "m.zip",
                               BuildZip({{.name = "demos/A.DM3"},
                                         {.name = "readme.txt"},
                                         {.name = "x.dm_48"},
                                         {.name = "deep/er/y.Dm_48"},
                                         {.name = "maps/q3dm17.bsp"}}));
    EXPECT_EQ(MatchingNames(archive, "*\\*.dm*"),
              (std::vector<std::string>{"demos\\A.DM3", "x.dm_48", "deep\\er\\y.Dm_48"}));
    EXPECT_EQ(MatchingNames(archive, "*\\X.DM_48"), (std::vector<std::string>{"x.dm_48"}));
    EXPECT_EQ(MatchingNames(archive, "\\demos\\*"), (std::vector<std::string>{"demos\\A.DM3"}));
    EXPECT_TRUE(MatchingNames(archive, "*.jpg").empty());

    ZipSearchRec search;
    EXPECT_EQ(FindMemberByName(archive, "DEEP\\ER\\Y.DM_48", search), 0);
    EXPECT_EQ(search.name, "deep\\er\\y.Dm_48");
    EXPECT_EQ(FindMemberByName(archive, "y.dm_48", search), 1);
}

TEST(ZipIsZipFile, RecognisesArchivesAndSelfExtractors)
{
    ScratchDir dir;
    const std::vector<ZipMember> one = {{.name = "a.dm3", .data = Bytes("demo")}};
    auto stubWithoutZip = BuildZip(one, {.exeStubSize = 1000});
    stubWithoutZip.resize(1000);
    std::vector<uint8_t> pkSfxVariant(1024, 0); // data one byte behind the image end
    pkSfxVariant[0] = 'M', pkSfxVariant[1] = 'Z', pkSfxVariant[4] = 2;
    const auto zipTail = BuildZip(one);
    pkSfxVariant.push_back(0);
    pkSfxVariant.insert(pkSfxVariant.end(), zipTail.begin(), zipTail.end());

    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        bool archive;
    };
    const std::vector<Case> cases = {
        {"plain.zip", BuildZip(one), true},
        {"sfx1000.exe", BuildZip(one, {.exeStubSize = 1000}), true},
        {"sfx1024.exe", BuildZip(one, {.exeStubSize = 1024}), true},
        {"sfxvariant.exe", pkSfxVariant, true},
        {"stubonly.exe", stubWithoutZip, false},
        {"short.zip", Bytes("PK\x03\x04"), false},
        {"text.txt", Bytes("just some text here"), false},
        {"nodot", BuildZip(one), false},
        {"mz.exe", Bytes("MZ"), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsZipFile(Write(dir, c.name, c.bytes)), c.archive) << c.name;
    EXPECT_TRUE(IsZipFile(dir.File("plain.zip") + "\\"));
    fs::create_directories(dir.path() / "folder.zip");
    EXPECT_FALSE(IsZipFile(dir.File("folder.zip")));
    EXPECT_FALSE(IsZipFile(dir.File("missing.zip")));

    // A self-extractor's members are listed and extracted like any other.
    ZipSearchRec search;
    const auto sfx = dir.File("sfx1000.exe");
    ASSERT_EQ(FindMemberByName(sfx, "a.dm3", search), 0);
    std::array<uint8_t, 16> out{};
    uint32_t size = out.size();
    EXPECT_EQ(UnzipFileToMemory(sfx, out.data(), size, search.headerOffset), UnzipResult::Ok);
    EXPECT_EQ(size, 4u);
}

TEST(ZipExtract, ToMemoryStoredDeflatedAndWithDataDescriptors)
{
    ScratchDir dir;
    const auto data = SampleBytes(100000); // several 32768-byte output blocks
    const std::vector<ZipMember> members = {
        {.name = "stored", .data = data},
        {.name = "deflated", .data = data, .deflate = true},
        {.name = "descriptor", .data = data, .deflate = true, .dataDescriptor = true},
        {.name = "bare descriptor",
         .data = data,
         .deflate = true,
         .dataDescriptor = true,
         .descriptorSignature = false},
        {.name = "empty", .deflate = true},
        {.name = "empty stored"},
    };
    ZipLayout layout;
    const auto archive = Write(dir, "x.zip", BuildZip(members, {}, &layout));
    for (size_t i = 0; i < members.size(); ++i) {
        std::vector<uint8_t> out(members[i].data.size() + 10, 0xEE);
        uint32_t size = static_cast<uint32_t>(out.size());
        EXPECT_EQ(UnzipFileToMemory(archive, out.data(), size, layout.headerOffsets[i]), UnzipResult::Ok)
            << members[i].name;
        EXPECT_EQ(size, members[i].data.size()) << members[i].name;
        out.resize(size);
        EXPECT_TRUE(out == members[i].data) << members[i].name;
    }
}

TEST(ZipExtract, SmallBuffersAndSkippedBytes)
{
    ScratchDir dir;
    const auto data = SampleBytes(70000);
    ZipLayout layout;
    const auto archive = Write(dir, "s.zip", BuildZip({{.name = "a.wav", .data = data, .deflate = true}}, {}, &layout));
    const uint32_t at = layout.headerOffsets[0];

    std::vector<uint8_t> out(50);
    uint32_t size = 50;
    EXPECT_EQ(UnzipFileToMemory(archive, out.data(), size, at), UnzipResult::Ok);
    EXPECT_EQ(size, 50u);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), data.begin()));

    out.assign(data.size(), 0);
    size = static_cast<uint32_t>(out.size());
    EXPECT_EQ(UnzipFileToMemoryFrom(archive, out.data(), size, 44, at), UnzipResult::Ok);
    ASSERT_EQ(size, data.size() - 44);
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + size, data.begin() + 44));

    // The skip covers the first 32768-byte output block at most.
    size = static_cast<uint32_t>(out.size());
    EXPECT_EQ(UnzipFileToMemoryFrom(archive, out.data(), size, 50000, at), UnzipResult::Ok);
    ASSERT_EQ(size, data.size() - 32768);
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + size, data.begin() + 32768));

    size = 0;
    EXPECT_EQ(UnzipFileToMemory(archive, nullptr, size, at), UnzipResult::Ok);
    EXPECT_EQ(size, 0u);
}

TEST(ZipExtract, FailuresGiveTheirCodes)
{
    ScratchDir dir;
    const auto data = SampleBytes(20000);
    const std::vector<ZipMember> members = {
        {.name = "bad crc", .data = data, .deflate = true, .badCrc = true},
        {.name = "encrypted", .data = data, .extraFlags = 1},
        {.name = "bzip2", .data = data, .methodOverride = 12},
        {.name = "imploded", .data = data, .methodOverride = 6},
        {.name = "descriptor bad crc", .data = data, .deflate = true, .dataDescriptor = true, .badCrc = true},
        {.name = "stored as deflated", .data = data, .methodOverride = 8},
        {.name = "last", .data = data, .deflate = true},
    };
    ZipLayout layout;
    auto bytes = BuildZip(members, {}, &layout);
    const auto archive = Write(dir, "f.zip", bytes);
    const UnzipResult expected[] = {UnzipResult::CrcError,
                                    UnzipResult::Encrypted,
                                    UnzipResult::NotSupported,
                                    UnzipResult::NotSupported,
                                    UnzipResult::CrcError,
                                    UnzipResult::CrcError,
                                    UnzipResult::Ok};
    for (size_t i = 0; i < members.size(); ++i) {
        std::vector<uint8_t> out(data.size());
        uint32_t size = static_cast<uint32_t>(out.size());
        EXPECT_EQ(UnzipFileToMemory(archive, out.data(), size, layout.headerOffsets[i]), expected[i])
            << members[i].name;
    }

    std::vector<uint8_t> out(data.size());
    uint32_t size = static_cast<uint32_t>(out.size());
    EXPECT_EQ(UnzipFileToMemory(dir.File("missing.zip"), out.data(), size, 0), UnzipResult::CannotOpen);
    EXPECT_EQ(UnzipFileToMemory(archive, out.data(), size, layout.headerOffsets[1] + 1), UnzipResult::BadHeader);
    EXPECT_EQ(UnzipFileToMemory(archive, out.data(), size, static_cast<uint32_t>(bytes.size() - 10)),
              UnzipResult::BadHeader);
    EXPECT_EQ(UnzipFileToMemory(archive, out.data(), size, 0xFFFFFFF0u), UnzipResult::BadHeader);

    // A download cut inside the deflate stream ends with an error, not a hang or a success.
    const uint32_t last = layout.headerOffsets.back();
    bytes.resize(last + 30 + 4 + 3000);
    const auto cut = Write(dir, "cut.zip", bytes);
    size = static_cast<uint32_t>(out.size());
    EXPECT_EQ(UnzipFileToMemory(cut, out.data(), size, last), UnzipResult::CrcError);
    // The same member as a stream with a data descriptor runs to the archive's end.
    bytes[last + 6] |= 8;
    const auto cutStream = Write(dir, "cut2.zip", bytes);
    size = static_cast<uint32_t>(out.size());
    EXPECT_EQ(UnzipFileToMemory(cutStream, out.data(), size, last), UnzipResult::CrcError);
}

TEST(ZipExtract, ToFileWithTimeAndReadOnlyAttribute)
{
    ScratchDir dir;
    const auto data = SampleBytes(40000);
    ZipLayout layout;
    const uint32_t dosTime = DosDateTimeFromUnix(1000000000);
    const auto archive = Write(dir, "t.zip",
                               BuildZip({{.name = "a.dm3", .data = data, .deflate = true, .dosTime = dosTime},
                                         {.name = "bad.dm3", .data = data, .badCrc = true}},
                                        {}, &layout));
    const fs::path target = dir.path() / "new" / "folders" / "a.dm3";
    ASSERT_EQ(UnzipFile(archive, target.string(), 1, layout.headerOffsets[0]), UnzipResult::Ok);
    ASSERT_EQ(fs::file_size(target), data.size());
    std::ifstream in(target, std::ios::binary);
    std::vector<uint8_t> back((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(back == data);
    const auto mtime = std::chrono::file_clock::to_sys(fs::last_write_time(target));
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(mtime.time_since_epoch()).count(),
              UnixFromDosDateTime(dosTime));
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::owner_write, fs::perms::none);

    // An existing file is overwritten; a failed extraction leaves no partial file behind.
    const fs::path other = dir.path() / "b.dm3";
    WriteFile(other, SampleBytes(10));
    EXPECT_EQ(UnzipFile(archive, other.string(), 0, layout.headerOffsets[0]), UnzipResult::Ok);
    EXPECT_EQ(fs::file_size(other), data.size());
    EXPECT_NE(fs::status(other).permissions() & fs::perms::owner_write, fs::perms::none);
    EXPECT_EQ(UnzipFile(archive, other.string(), 0, layout.headerOffsets[1]), UnzipResult::CrcError);
    EXPECT_FALSE(fs::exists(other));
    EXPECT_EQ(UnzipFile(archive, other.string(), 0, 7), UnzipResult::BadHeader);
    EXPECT_FALSE(fs::exists(other));
    EXPECT_EQ(UnzipFile(archive, (dir.path() / "t.zip" / "x").string(), 0, layout.headerOffsets[0]),
              UnzipResult::WriteError);

    // Folder targets only create the folders, whatever the header offset.
    EXPECT_EQ(UnzipFile(archive, dir.File("one/two/"), 0, 7), UnzipResult::Ok);
    EXPECT_EQ(UnzipFile(archive, dir.File("three\\"), 0, 7), UnzipResult::Ok);
    EXPECT_EQ(UnzipFile(archive, dir.File("four/five"), 16, 7), UnzipResult::Ok);
    for (const char* folder : {"one/two", "three", "four/five"})
        EXPECT_TRUE(fs::is_directory(dir.path() / folder)) << folder;
    EXPECT_EQ(UnzipFile(archive, (dir.path() / "t.zip" / "sub/").string(), 0, 0), UnzipResult::WriteError);
}

TEST(ZipExtract, PumpRunsDuringExtractionAndNestedCallsAreRefused)
{
    ScratchDir dir;
    const auto data = SampleBytes(50000);
    ZipLayout layout;
    const auto archive = Write(dir, "p.zip", BuildZip({{.name = "a", .data = data}}, {}, &layout));
    int pumps = 0;
    UnzipResult nestedResult = UnzipResult::Ok;
    UnzipResult otherThreadResult = UnzipResult::CrcError;
    SetExtractionPump([&] {
        if (pumps++ != 1)
            return;
        std::vector<uint8_t> inner(data.size());
        uint32_t innerSize = static_cast<uint32_t>(inner.size());
        nestedResult = UnzipFileToMemory(archive, inner.data(), innerSize, 0);
        // A worker thread is not the nested caller the mark keeps out.
        std::thread worker([&] {
            uint32_t s = static_cast<uint32_t>(inner.size());
            otherThreadResult = UnzipFileToMemory(archive, inner.data(), s, 0);
        });
        worker.join();
    });
    std::vector<uint8_t> out(data.size());
    uint32_t size = static_cast<uint32_t>(out.size());
    const UnzipResult result = UnzipFileToMemory(archive, out.data(), size, layout.headerOffsets[0]);
    SetExtractionPump({});
    EXPECT_EQ(result, UnzipResult::Ok);
    EXPECT_EQ(nestedResult, UnzipResult::Busy);
    EXPECT_EQ(otherThreadResult, UnzipResult::Ok);
    // Once before the start and once per 2048 bytes of input, for the outer call only: the worker
    // thread has no window of its own to keep alive.
    EXPECT_EQ(pumps, 1 + static_cast<int>((data.size() + 2047) / 2048));

    size = static_cast<uint32_t>(out.size());
    EXPECT_EQ(UnzipFileToMemory(archive, out.data(), size, layout.headerOffsets[0]), UnzipResult::Ok); // mark released
}

TEST(ZipExtract, MaxPlausibleSizeFollowsTheArchivesRealBytes)
{
    const std::vector<uint8_t> zeros(4 << 20, 0); // about as compressible as data gets
    const auto packed = static_cast<uint32_t>(testsupport::RawDeflate(zeros).size());
    EXPECT_GE(MaxPlausibleSize(8, packed, packed + 30), zeros.size());
    const struct {
        uint16_t method;
        uint32_t compressedSize;
        uint64_t fromHeader;
        uint64_t expected;
    } cases[] = {
        {0, 1234, 1u << 20, 1234},                           // stored: the claim when the archive holds it
        {0, 1234, 1000, 1000},                               // ... never more than the archive holds
        {8, 1024, 1u << 20, 1024 * kDeflateMaxRatio + 1024}, // a 1 KB member cannot hold 4 MB
        {8, 0xFFFFFFFF, 887, 887 * kDeflateMaxRatio + 1024}, // an 887-byte zip claiming 4 GB
        {8, 0xFFFFFFFF, 0, 1024},                            // a header offset past the end
    };
    for (const auto& c : cases)
        EXPECT_EQ(MaxPlausibleSize(c.method, c.compressedSize, c.fromHeader), c.expected)
            << c.method << " " << c.compressedSize << " " << c.fromHeader;

    // The member's place decides on each side of the bound.
    MemberPlace place;
    place.method = 8;
    place.compressedSize = 0xFFFFFFFF;
    place.headerOffset = 100;
    place.archiveSize = 987;
    place.size = 887 * kDeflateMaxRatio + 1024;
    EXPECT_TRUE(place.Plausible());
    ++place.size;
    EXPECT_FALSE(place.Plausible());
}

TEST(ZipExtract, UnsupportedMembersAreNamed)
{
    const struct {
        uint16_t method;
        uint16_t flags;
        const char* reason;
    } cases[] = {
        {0, 0, ""},
        {8, 0, ""},
        {8, 8, ""}, // a data descriptor is read
        {9, 0, "Deflate64 compression"},
        {12, 0, "bzip2 compression"},
        {14, 0, "LZMA compression"},
        {6, 0, "Implode compression"},
        {8, 1, "encryption"},
        {99, 0, "encryption"},
        {77, 0, "compression method 77"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UnsupportedMemberReason(c.method, c.flags), c.reason) << c.method << " " << c.flags;
}
