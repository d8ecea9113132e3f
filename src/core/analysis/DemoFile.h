#pragma once
// Loading the bytes of one demo: a plain file, or a member of a .pk3/.zip/.exe archive.
#include <cstdint>
#include <string>
#include <vector>

namespace core {

struct DemoBytes {
    std::vector<uint8_t> data;
    uint64_t size = 0;         // the demo's size (the member's uncompressed size for archives)
    uint32_t dosDateTime = 0;  // last-write time of the file, or the member's time
    bool found = false;        // the file or member exists and could be opened
    bool memoryError = false;  // no memory for the demo
    std::string problem;       // a message for the user, empty when all went well
};

// `archive` empty: `name` is a file path. Otherwise `name` is a member of the archive, folders
// separated by "\" (compared ignoring case).
DemoBytes LoadDemoBytes(const std::string& name, const std::string& archive);

} // namespace core
