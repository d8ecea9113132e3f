#include "core/playback/PlaybackKeys.h"

namespace core {
namespace {

std::string BindLine(const std::string& key, const char* command)
{
    return "bind " + key + " \"" + command + "\"";
}

} // namespace

const std::array<PlaybackKeyRow, kPlaybackKeyCount>& PlaybackKeyTable()
{
    static const std::array<PlaybackKeyRow, kPlaybackKeyCount> table = {{
        {"Fast Forward", "ff_key", "kp_enter", "vstr d_f_t"},
        {"Slow Motion", "sm_key", "kp_del", "vstr d_s_t"},
        {"Increase Speed", "inc_key", "kp_plus", "vstr d_f"},
        {"Decrease Speed", "dec_key", "kp_minus", "vstr d_s"},
        {"Pause Demo", "pause_key", "pause", "vstr d_p"},
        {"Jump to next Demo", "next_key", "kp_5", "vstr nextdemo"},
    }};
    return table;
}

PlaybackKeys DefaultPlaybackKeys()
{
    PlaybackKeys keys;
    for (int i = 0; i < kPlaybackKeyCount; ++i)
        keys[i] = PlaybackKeyTable()[i].defaultKey;
    return keys;
}

std::string DefaultKeyBindingBlock()
{
    // Its own order, older than the dialog's.
    return BindLine("kp_plus", "vstr d_f") + "\r\n" + BindLine("kp_minus", "vstr d_s") + "\r\n" +
           BindLine("kp_enter", "vstr d_f_t") + "\r\n" + BindLine("kp_del", "vstr d_s_t") + "\r\n" +
           BindLine("kp_5", "vstr nextdemo") + "\r\n" + BindLine("pause", "vstr d_p");
}

std::string RebuildKeyBindingBlock(const PlaybackKeys& inputs, PlaybackKeys& current)
{
    std::string block;
    for (int i = 0; i < kPlaybackKeyCount; ++i) {
        // The replaced key is released so that it stops stepping the speed states.
        if (inputs[i] != current[i])
            block += "unbind " + current[i] + "\r\n";
        current[i] = inputs[i];
    }
    for (int i = 0; i < kPlaybackKeyCount; ++i) {
        if (i > 0)
            block += "\r\n";
        block += BindLine(inputs[i], PlaybackKeyTable()[i].command);
    }
    return block;
}

std::string KeyBindingBlock = DefaultKeyBindingBlock();

} // namespace core
