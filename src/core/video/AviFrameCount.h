#pragma once
// Counting the frames of an AVI file while the engine still writes it, for a progress bar that
// tells the truth: the chunks of its "movi" list are walked from where the last look stopped, only
// their 8-byte headers read. A chunk not yet written whole is left for the next look.
#include <cstdint>
#include <string>

namespace core {

class AviFrameCount {
public:
    explicit AviFrameCount(std::string path) : m_path(std::move(path)) {}
    // Reads what was added since the last call; false when the file cannot be read (yet).
    bool Update();
    int VideoFrames() const { return m_video; }
    int SoundChunks() const { return m_sound; }
    // The index at the end was reached: the engine closed the file.
    bool Finished() const { return m_finished; }

private:
    std::string m_path;
    uint64_t m_next = 0; // the next chunk header; 0 while the "movi" list was not found
    int m_video = 0;
    int m_sound = 0;
    bool m_finished = false;
};

// The frames in the AVI files of one capture: the engine starts "NAME.avi_" (and so on, one more
// "_" each) when a file would pass 2 GB.
std::string AviPartName(const std::string& firstPath, int part);

} // namespace core
