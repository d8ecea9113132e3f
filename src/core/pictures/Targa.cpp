#include "core/pictures/Targa.h"

#include <algorithm>
#include <new>
#include <utility>
#include <vector>

#include "core/common/LittleEndian.h"

namespace core {
namespace {

constexpr size_t kHeaderSize = 18;
// Bit 5 of the image descriptor: rows are stored top-down instead of the usual bottom-up.
constexpr uint8_t kTopDownBit = 0x20;
// A run-length packet covers at most this many pixels.
constexpr uint64_t kMaxPacketPixels = 128;

enum class Kind { Mapped, TrueColour, Grey };

struct Header {
    uint8_t idLength = 0;
    uint8_t mapType = 0;
    uint8_t imageType = 0;
    uint16_t mapFirst = 0;
    uint16_t mapLength = 0;
    uint8_t mapEntryBits = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    uint8_t depth = 0;
    uint8_t descriptor = 0;
};

Header ReadHeader(const uint8_t* p)
{
    Header h;
    h.idLength = p[0];
    h.mapType = p[1];
    h.imageType = p[2];
    h.mapFirst = Le16(p + 3);
    h.mapLength = Le16(p + 5);
    h.mapEntryBits = p[7];
    // x and y origin (bytes 8 to 11) only place the picture on a screen; they do not matter here.
    h.width = Le16(p + 12);
    h.height = Le16(p + 14);
    h.depth = p[16];
    h.descriptor = p[17];
    return h;
}

uint32_t Opaque(uint32_t r, uint32_t g, uint32_t b)
{
    return 0xFF000000u | r << 16 | g << 8 | b;
}

// Five bits spread over eight so that full intensity stays full (31 -> 255).
uint32_t Expand5(uint32_t v)
{
    return v << 3 | v >> 2;
}

// One stored true-colour value, pixel or colour map entry, of 2 (x-5-5-5), 3 (B G R) or 4
// (B G R A) bytes. The attribute bit of 16-bit values and the alpha byte are not shown.
uint32_t ReadColour(const uint8_t* p, int bytes)
{
    if (bytes == 2) {
        const uint32_t v = Le16(p);
        return Opaque(Expand5(v >> 10 & 31), Expand5(v >> 5 & 31), Expand5(v & 31));
    }
    return Opaque(p[2], p[1], p[0]);
}

int BytesFor(int bits)
{
    return (bits + 7) / 8;
}

class TargaDecoder {
public:
    TargaDecoder(std::span<const uint8_t> data, std::string* error) : m_data(data), m_error(error) {}

    bool Decode(Picture& picture)
    {
        if (m_data.size() < kHeaderSize)
            return Fail(kTargaInvalidImage);
        m_header = ReadHeader(m_data.data());
        if (!ChooseKind() || !ReadColourMap())
            return false;
        const uint64_t pixelCount = uint64_t{m_header.width} * m_header.height;
        if (pixelCount == 0 || pixelCount > kMaxPicturePixels)
            return Fail(kTargaInvalidImage);

        const size_t available = m_data.size() - m_offset;
        const uint64_t mostPixels =
            m_rle ? available / (1 + static_cast<uint64_t>(m_pixelBytes)) * kMaxPacketPixels : available / m_pixelBytes;
        // Rows the data cannot fill mean a truncated or lying file; refuse before allocating.
        if (pixelCount > mostPixels)
            return Fail(kTargaInvalidImage);

        std::vector<uint32_t> pixels;
        try {
            pixels.resize(static_cast<size_t>(pixelCount));
        } catch (const std::bad_alloc&) {
            return Fail(kTargaInvalidImage);
        }
        if (!(m_rle ? ReadPackets(pixels) : ReadPlain(pixels)))
            return false;
        if (!(m_header.descriptor & kTopDownBit))
            FlipRows(pixels);

        picture.width = m_header.width;
        picture.height = m_header.height;
        picture.pixels = std::move(pixels);
        return true;
    }

private:
    bool Fail(const char* reason) const
    {
        if (m_error)
            *m_error = reason;
        return false;
    }

    bool ChooseKind()
    {
        m_rle = m_header.imageType >= 9;
        switch (m_header.imageType) {
        case 1:
        case 9:
            m_kind = Kind::Mapped;
            if (m_header.depth != 8 && m_header.depth != 16)
                return Fail(kTargaUnsupported);
            break;
        case 2:
        case 10:
            m_kind = Kind::TrueColour;
            if (m_header.depth != 15 && m_header.depth != 16 && m_header.depth != 24 && m_header.depth != 32)
                return Fail(kTargaUnsupported);
            break;
        case 3:
        case 11:
            m_kind = Kind::Grey;
            if (m_header.depth != 8)
                return Fail(kTargaUnsupported);
            break;
        default:
            return Fail(kTargaUnsupported);
        }
        m_pixelBytes = BytesFor(m_header.depth);
        return true;
    }

    // Skips the identification field and reads or skips the colour map; sets m_offset to the
    // first byte of pixel data.
    bool ReadColourMap()
    {
        m_offset = kHeaderSize + m_header.idLength;
        const bool hasMap = m_header.mapType != 0;
        if (m_kind == Kind::Mapped) {
            const uint8_t bits = m_header.mapEntryBits;
            if (!hasMap || m_header.mapLength == 0)
                return Fail(kTargaInvalidImage);
            if (bits != 15 && bits != 16 && bits != 24 && bits != 32)
                return Fail(kTargaUnsupported);
        }
        const size_t entryBytes = hasMap ? static_cast<size_t>(BytesFor(m_header.mapEntryBits)) : 0;
        const size_t mapBytes = hasMap ? entryBytes * m_header.mapLength : 0;
        if (m_offset > m_data.size() || mapBytes > m_data.size() - m_offset)
            return Fail(kTargaInvalidImage);

        if (m_kind == Kind::Mapped) {
            m_palette.resize(m_header.mapLength);
            for (size_t i = 0; i < m_palette.size(); ++i)
                m_palette[i] = ReadColour(m_data.data() + m_offset + i * entryBytes, static_cast<int>(entryBytes));
        } else if (m_kind == Kind::Grey) {
            m_palette.resize(256);
            for (uint32_t i = 0; i < 256; ++i)
                m_palette[i] = Opaque(i, i, i);
        }
        m_offset += mapBytes;
        return true;
    }

    // The colour of one stored pixel; false for an index outside the colour map.
    bool Convert(const uint8_t* p, uint32_t& colour) const
    {
        if (m_kind == Kind::TrueColour) {
            colour = ReadColour(p, m_pixelBytes);
            return true;
        }
        uint32_t index = m_pixelBytes == 2 ? Le16(p) : p[0];
        if (m_kind == Kind::Mapped) {
            // Index values count from the map's first entry index, the entries below it are not
            // stored.
            if (index < m_header.mapFirst)
                return false;
            index -= m_header.mapFirst;
        }
        if (index >= m_palette.size())
            return false;
        colour = m_palette[index];
        return true;
    }

    bool ReadPlain(std::vector<uint32_t>& pixels) const
    {
        const uint8_t* p = m_data.data() + m_offset;
        for (uint32_t& pixel : pixels) {
            if (!Convert(p, pixel))
                return Fail(kTargaInvalidImage);
            p += m_pixelBytes;
        }
        return true;
    }

    // Packets run on across row ends, as many writers produce them; a packet reaching past the
    // last pixel is cut off there.
    bool ReadPackets(std::vector<uint32_t>& pixels) const
    {
        const size_t end = m_data.size();
        size_t pos = m_offset;
        size_t done = 0;
        while (done < pixels.size()) {
            if (pos >= end)
                return Fail(kTargaInvalidImage);
            const uint8_t packet = m_data[pos++];
            const size_t count = std::min<size_t>((packet & 0x7F) + 1u, pixels.size() - done);
            const bool run = packet & 0x80;
            const size_t needed = run ? m_pixelBytes : count * m_pixelBytes;
            if (needed > end - pos)
                return Fail(kTargaInvalidImage);
            if (run) {
                uint32_t colour = 0;
                if (!Convert(m_data.data() + pos, colour))
                    return Fail(kTargaInvalidImage);
                std::fill_n(pixels.begin() + static_cast<ptrdiff_t>(done), count, colour);
            } else {
                for (size_t i = 0; i < count; ++i)
                    if (!Convert(m_data.data() + pos + i * m_pixelBytes, pixels[done + i]))
                        return Fail(kTargaInvalidImage);
            }
            pos += needed;
            done += count;
        }
        return true;
    }

    void FlipRows(std::vector<uint32_t>& pixels) const
    {
        const size_t width = m_header.width;
        for (size_t top = 0, bottom = m_header.height - 1u; top < bottom; ++top, --bottom)
            std::swap_ranges(pixels.begin() + static_cast<ptrdiff_t>(top * width),
                             pixels.begin() + static_cast<ptrdiff_t>((top + 1) * width),
                             pixels.begin() + static_cast<ptrdiff_t>(bottom * width));
    }

    std::span<const uint8_t> m_data;
    std::string* m_error;
    Header m_header;
    Kind m_kind = Kind::TrueColour;
    bool m_rle = false;
    int m_pixelBytes = 0;
    size_t m_offset = 0;
    std::vector<uint32_t> m_palette;
};

} // namespace

bool DecodeTarga(std::span<const uint8_t> data, Picture& picture, std::string* error)
{
    return TargaDecoder(data, error).Decode(picture);
}

} // namespace core
