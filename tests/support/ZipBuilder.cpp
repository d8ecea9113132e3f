#include "support/ZipBuilder.h"
#include "support/LittleEndian.h"

#include <zlib.h>

#include <fstream>
#include <stdexcept>

namespace testsupport {
namespace {

void PutBytes(std::vector<uint8_t>& out, const std::string& s)
{
    out.insert(out.end(), s.begin(), s.end());
}

void PutBytes(std::vector<uint8_t>& out, const std::vector<uint8_t>& bytes)
{
    out.insert(out.end(), bytes.begin(), bytes.end());
}

// An executable stub whose header says the image is exactly `size` bytes long.
std::vector<uint8_t> ExeStub(size_t size)
{
    std::vector<uint8_t> stub(std::max<size_t>(size, 64), 0);
    stub[0] = 'M';
    stub[1] = 'Z';
    const size_t lastPage = stub.size() % 512;
    const size_t pages = (stub.size() + 511) / 512;
    stub[2] = static_cast<uint8_t>(lastPage);
    stub[3] = static_cast<uint8_t>(lastPage >> 8);
    stub[4] = static_cast<uint8_t>(pages);
    stub[5] = static_cast<uint8_t>(pages >> 8);
    stub[8] = 4; // header paragraphs
    return stub;
}

} // namespace

std::vector<uint8_t> RawDeflate(const std::vector<uint8_t>& data)
{
    z_stream zs{};
    if (deflateInit2(&zs, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    std::vector<uint8_t> out(deflateBound(&zs, static_cast<uLong>(data.size())));
    zs.next_in = const_cast<Bytef*>(data.data());
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = out.data();
    zs.avail_out = static_cast<uInt>(out.size());
    if (deflate(&zs, Z_FINISH) != Z_STREAM_END) {
        deflateEnd(&zs);
        throw std::runtime_error("deflate did not finish");
    }
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

uint32_t Crc32(const std::vector<uint8_t>& data)
{
    return static_cast<uint32_t>(crc32(crc32(0, nullptr, 0), data.data(), static_cast<uInt>(data.size())));
}

std::vector<uint8_t> SampleBytes(size_t size, uint32_t seed)
{
    static const std::string words = "frag rail rocket quad armor health plasma lightning ";
    std::vector<uint8_t> out;
    out.reserve(size);
    uint32_t state = seed * 2654435761u + 1;
    while (out.size() < size) {
        state = state * 1664525u + 1013904223u;
        if ((state >> 28) < 10) {
            out.push_back(static_cast<uint8_t>(words[(state >> 8) % words.size()]));
        } else {
            out.push_back(static_cast<uint8_t>(state >> 16));
        }
    }
    return out;
}

std::vector<uint8_t> BuildZip(const std::vector<ZipMember>& members, const ZipOptions& options, ZipLayout* layout)
{
    std::vector<uint8_t> out;
    if (options.exeStubSize > 0)
        out = ExeStub(options.exeStubSize);

    ZipLayout where;
    std::vector<uint8_t> directory;
    for (const ZipMember& m : members) {
        const std::vector<uint8_t> payload = m.deflate ? RawDeflate(m.data) : m.data;
        const uint16_t method = m.methodOverride != 0xFFFF ? m.methodOverride : (m.deflate ? 8 : 0);
        const uint16_t flags = static_cast<uint16_t>(m.extraFlags | (m.dataDescriptor ? 8 : 0));
        const uint32_t crc = Crc32(m.data) ^ (m.badCrc ? 0x5A5A5A5Au : 0u);
        const auto compressedSize = static_cast<uint32_t>(payload.size());
        const auto size = static_cast<uint32_t>(m.data.size());
        const auto headerOffset = static_cast<uint32_t>(out.size());
        where.headerOffsets.push_back(headerOffset);

        Put32(out, 0x04034B50);
        Put16(out, 20); // version needed: 2.0
        Put16(out, flags);
        Put16(out, method);
        Put32(out, m.dosTime);
        Put32(out, m.dataDescriptor ? 0 : crc);
        Put32(out, m.dataDescriptor ? 0 : compressedSize);
        Put32(out, m.dataDescriptor ? 0 : size);
        Put16(out, static_cast<uint32_t>(m.name.size()));
        Put16(out, static_cast<uint32_t>(m.extra.size()));
        PutBytes(out, m.name);
        PutBytes(out, m.extra);
        PutBytes(out, payload);
        if (m.dataDescriptor) {
            if (m.descriptorSignature)
                Put32(out, 0x08074B50);
            Put32(out, crc);
            Put32(out, compressedSize);
            Put32(out, size);
        }

        Put32(directory, 0x02014B50);
        Put16(directory, 20); // made by: MS-DOS (high byte 0), version 2.0
        Put16(directory, 20);
        Put16(directory, flags);
        Put16(directory, method);
        Put32(directory, m.dosTime);
        Put32(directory, crc);
        Put32(directory, compressedSize);
        Put32(directory, size);
        Put16(directory, static_cast<uint32_t>(m.name.size()));
        Put16(directory, static_cast<uint32_t>(m.extra.size()));
        Put16(directory, static_cast<uint32_t>(m.comment.size()));
        Put16(directory, 0); // disk number
        Put16(directory, 0); // internal attributes
        Put32(directory, m.attributes);
        Put32(directory, headerOffset);
        PutBytes(directory, m.name);
        PutBytes(directory, m.extra);
        PutBytes(directory, m.comment);
    }

    where.directoryOffset = static_cast<uint32_t>(out.size());
    where.directorySize = static_cast<uint32_t>(directory.size());
    PutBytes(out, directory);
    where.endRecordOffset = static_cast<uint32_t>(out.size());
    const auto count = static_cast<uint32_t>(std::min<size_t>(members.size(), 0xFFFF));
    Put32(out, 0x06054B50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, count);
    Put16(out, count);
    Put32(out, where.directorySize);
    Put32(out, where.directoryOffset);
    Put16(out, static_cast<uint32_t>(options.comment.size()));
    PutBytes(out, options.comment);

    if (layout)
        *layout = where;
    return out;
}

void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::error_code ec;
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path(), ec);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file)
        throw std::runtime_error("cannot write " + path.string());
}

} // namespace testsupport
