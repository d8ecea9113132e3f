#pragma once
// Loading the bytes of one demo: a plain file, or a member of a .pk3/.zip/.exe archive.
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "core/archive/ZipRead.h"

namespace core {

// A demo's bytes. Not zero-filled first: the whole buffer is about to be overwritten.
class ByteBuffer {
public:
    bool Allocate(size_t size); // false when there is no memory for it
    void Clear()
    {
        m_data.reset();
        m_size = 0;
    }
    void Shrink(size_t size) { m_size = size < m_size ? size : m_size; }
    uint8_t* data() { return m_data.get(); }
    size_t size() const { return m_size; }
    std::span<const uint8_t> span() const { return {m_data.get(), m_size}; }

private:
    std::unique_ptr<uint8_t[]> m_data;
    size_t m_size = 0;
};

// No real demo comes near this size (a long match is a few megabytes); an archive member
// claiming more is refused like a damaged one rather than given that much memory.
inline constexpr uint64_t kMaxDemoMemberSize = uint64_t{512} << 20;

struct DemoBytes {
    ByteBuffer data;
    uint64_t size = 0;        // the demo's size (the member's uncompressed size for archives)
    uint32_t dosDateTime = 0; // last-write time of the file, or the member's time
    bool found = false;       // the file or member exists and could be opened
    bool memoryError = false; // no memory for the demo
    std::string problem;      // a message for the user, empty when all went well
};

// Loads the member at a known place, without searching the archive's directory again (the
// scanner already walked it; members of the same name in two folders stay apart).
DemoBytes LoadMemberBytes(const std::string& archive, const std::string& name, const MemberPlace& place);

// `archive` empty: `name` is a file path. Otherwise `name` is a member of the archive, folders
// separated by "\" (compared ignoring case).
DemoBytes LoadDemoBytes(const std::string& name, const std::string& archive);

} // namespace core
