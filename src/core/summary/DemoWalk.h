#pragma once
// The walk over a demo's recorded server messages: configuration strings, reliable server
// commands and snapshot times become the course log, the scores and the player table.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/protocol/MessageFramer.h"
#include "core/protocol/ProtocolTable.h"
#include "core/summary/DemoReader.h"
#include "core/summary/ModScores.h"

namespace core {

enum class WalkOutcome {
    Finished,  // the end marker or the end of the data: playtime and "Demo end." were written
    Stopped,   // an unusable command byte ended the walk (logged)
    ReadError, // a field lay outside the data (a cut-off demo) or a length was impossible: a debug
               // message and a course line; what came before is kept
};

class DemoWalk {
public:
    DemoWalk(DemoState& demo, std::span<const uint8_t> data, bool courseLogWish);

    // Messages of plain bytes (protocol 48 and older).
    WalkOutcome Run();
    // Huffman-coded messages of protocols 66 to 71. The server information text is not stored
    // plainly in these demos: it is the first game state's configuration string 0, which sets the
    // protocol, the game type and the score entry width as it arrives.
    WalkOutcome RunModern();

    bool SystemInfoFound() const { return m_systemInfoFound; }
    const std::string& SystemInfo() const { return m_systemInfo; }
    bool ServerInfoFound() const { return m_serverInfoFound; }
    const std::string& ServerInfo() const { return m_serverInfo; }

    // Handlers shared by every message format.
    void GameStateConfigString(int index, std::string_view text);
    // Returns true when the rest of the message must be skipped (after a score report).
    bool ServerCommand(uint32_t sequence, std::string_view command);
    void Snapshot(uint32_t serverTime);
    void FinishWalk();
    // The walk ended inside a message: the play time up to the last good message, and a line
    // saying where the demo breaks off instead of "Demo end.".
    void FinishCutWalk(bool damaged);
    void AddCourseLine(std::string_view text);
    // Ends the walk with the "Debug" message for the field that could not be read. `damaged`: the
    // message is all there but cannot be read (rather than cut off by the end of the data).
    WalkOutcome ReadError(std::string_view field, bool damaged = false);

    // The information text of a plain demo, found before the walk: it tells whether the demo is
    // one of the DeFRaG mod, whose prints are then read for runs.
    void SetPlainInfo(std::string_view info) { m_plainInfo.assign(info); }

    bool CourseLogWished() const { return m_wish; }
    // The coloured time that starts a course log line or a score table's header ("^2" + time).
    std::string CoursePrefix() const;

private:
    // The read error of a header the framer could not take.
    WalkOutcome HeaderError(FrameResult framed);
    // The commands of one message of the old game, up to the first that ends the walk's interest
    // in it; a value when the walk ends there.
    std::optional<WalkOutcome> PlainCommands(std::span<const uint8_t> payload, int32_t sequence,
                                             const ProtocolInfo& rules);
    void ModernServerInfo(std::string_view info);
    void ConfigStringChange(std::string_view command);
    void ChatLine(std::string_view command);
    bool IsDefragWalk();
    void DefragPrint(std::string_view text);
    void ScoreReport(std::string_view command);
    void ScoreLine(int which, std::string_view value);
    void LogDirect(std::string line) { m_demo.courseLog.push_back(std::move(line)); }
    std::string Elapsed(int64_t since) const;

    DemoState& m_demo;
    std::span<const uint8_t> m_data;
    bool m_wish;

    int m_packet = 0;
    size_t m_messageAt = 0; // where the message being read starts
    uint32_t m_highestSequence = 0;
    int64_t m_demoStart = 0, m_levelStart = 0, m_current = 0;
    int32_t m_previousScore[2] = {kNoScore, kNoScore};
    bool m_firstSnapshot = true;
    bool m_systemInfoFound = false;
    std::string m_systemInfo;
    bool m_serverInfoFound = false;
    std::string m_serverInfo;
    const ConfigStringNumbers* m_cs = ProtocolRules(0).configStrings;
    // Mods' and Quake Live's own scores, and restarted matches (compressed demos only).
    ModScores m_mod{m_demo};
    bool m_tracksMatches = false;
    int m_gameStates = 0;
    std::string m_plainInfo;
    int m_defrag = -1; // unknown until the information texts are there
};

} // namespace core
