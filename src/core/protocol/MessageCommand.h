#pragma once
// The command bytes that open each part of a recorded server message. The numbers are the game's
// own and the same in every protocol; 9 and 10 (voice data) exist only in the newer ones.
#include <cstdint>

namespace core {

enum class MessageCommand : uint8_t {
    Bad = 0,
    Nop = 1,
    GameState = 2,
    ConfigString = 3,
    Baseline = 4,
    ServerCommand = 5,
    Download = 6,
    Snapshot = 7,
    End = 8,
    VoipSpeex = 9,
    VoipOpus = 10,
};

} // namespace core
