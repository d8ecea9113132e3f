// Quake Live's and CPMA's score commands on arbitrary text. The first input byte picks the
// protocol; the rest is one command, read as the walk reads it and applied to a full table.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/summary/DemoReader.h"
#include "core/summary/ModScores.h"
#include "core/summary/PlayerTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    static const int protocols[] = {73, 90, 91, 68};
    const int protocol = protocols[data[0] & 3];
    const std::string_view command(reinterpret_cast<const char*>(data + 1), size - 1);
    core::ScoreBoard board;
    if (!core::ParseQuakeLiveScores(command, protocol, board))
        return 0;
    core::DemoState demo;
    demo.protocol = protocol;
    demo.gameType = (data[0] & 4) ? "4" : "1";
    demo.players.resize(64);
    for (core::Player& p : demo.players)
        p.name = "p";
    core::ApplyScoreBoard(demo, board);
    core::WriteBoardTable(demo, board, "^200:00:00");
    core::SortPlayers(demo);
    return core::GetRankedPlayers(demo).winner.empty() ? 0 : 0;
}
