#include "core/video/AviFrameCount.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

namespace core {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

uint32_t Little32(const unsigned char* bytes)
{
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

// A chunk larger than this is no frame of a game's video: the walk stops there.
constexpr uint32_t kLargestChunk = 256u << 20;

} // namespace

bool AviFrameCount::Update()
{
    File file(std::fopen(m_path.c_str(), "rb"));
    if (!file)
        return false;
    if (m_finished)
        return true;
    if (m_next == 0) {
        // The headers come first, "LIST" <size> "movi" closing them.
        std::array<char, 65536> head{};
        const size_t got = std::fread(head.data(), 1, head.size(), file.get());
        const std::string_view text(head.data(), got);
        const size_t movi = text.find("movi");
        if (movi == std::string_view::npos || movi < 8 || text.substr(movi - 8, 4) != "LIST")
            return true;
        m_next = movi + 4;
    }
    unsigned char header[8];
    while (true) {
        if (fseeko(file.get(), static_cast<off_t>(m_next), SEEK_SET) != 0 ||
            std::fread(header, 1, sizeof header, file.get()) != sizeof header)
            return true;
        const uint32_t size = Little32(header + 4);
        if (std::memcmp(header, "idx1", 4) == 0 || size > kLargestChunk) {
            m_finished = true;
            return true;
        }
        const uint64_t end = m_next + 8 + size + (size & 1);
        // Whole only when its last byte is there.
        if (fseeko(file.get(), static_cast<off_t>(end - 1), SEEK_SET) != 0 || std::fgetc(file.get()) == EOF)
            return true;
        if (std::memcmp(header, "00dc", 4) == 0 || std::memcmp(header, "00db", 4) == 0)
            ++m_video;
        else if (std::memcmp(header, "01wb", 4) == 0)
            ++m_sound;
        m_next = end;
    }
}

std::string AviPartName(const std::string& firstPath, int part)
{
    return firstPath + std::string(static_cast<size_t>(part), '_');
}

} // namespace core
