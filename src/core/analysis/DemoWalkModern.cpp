#include <algorithm>
#include <vector>

#include "core/analysis/DemoWalk.h"
#include "core/analysis/ModernMessage.h"

namespace core {
namespace {

// The read error texts of the plain walk, for the field a compressed message ran out in.
std::string_view FieldName(ModernField field)
{
    switch (field) {
    case ModernField::ServerTime:
        return "ServerTime";
    case ModernField::CommandSequence:
        return "SERVERCOMMAND,cmdnr";
    case ModernField::GameStateCommand:
        return "GAMESTATE,gamestate_cmd";
    case ModernField::GameStateIndex:
        return "GAMESTATE,gamestate_index";
    default:
        return "Server_cmd";
    }
}

} // namespace

void DemoWalk::ModernServerInfo(std::string_view info)
{
    m_serverInfoFound = true;
    m_serverInfo.assign(info);
    m_demo.gameType = InfoValueIn("g_gametype", m_serverInfo + "\\");
    m_demo.protocol = ProtocolFromInfo(m_serverInfo);
    m_demo.fieldsPerScoreEntry = FieldsPerScoreEntry(std::max(m_demo.protocol, 47));
}

WalkOutcome DemoWalk::RunModern()
{
    // These protocols number their configuration strings as protocol 48 does.
    m_levelStartIndex = 21;
    m_intermissionIndex = 22;
    m_demo.fieldsPerScoreEntry = FieldsPerScoreEntry(48);
    const size_t size = m_data.size();
    std::vector<ModernCommand> commands;
    size_t pos = 0;
    for (;;) {
        ++m_packet;
        int32_t sequence = 0, length = 0;
        WalkOutcome failure;
        if (!MessageHeader(pos, sequence, length, failure))
            return failure;
        if (sequence == -1)
            break;
        const size_t start = pos + 8;
        const uint64_t messageEnd = static_cast<uint64_t>(start) + static_cast<uint64_t>(length);
        const size_t end = static_cast<size_t>(std::min<uint64_t>(messageEnd, size));

        commands.clear();
        const ModernDecodeResult decoded = DecodeModernMessage(m_data.subspan(start, end - start), commands);
        bool inGameState = false;
        for (const ModernCommand& command : commands) {
            bool skipRest = false;
            switch (command.kind) {
            case ModernCommand::GameStateBegin:
                inGameState = true;
                break;
            case ModernCommand::GameStateEnd:
                inGameState = false;
                break;
            case ModernCommand::ConfigString:
                if (command.index == 0) {
                    if (!m_serverInfoFound)
                        ModernServerInfo(command.text);
                } else {
                    GameStateConfigString(command.index, command.text);
                }
                break;
            case ModernCommand::ServerCommand:
                if (command.sequence > m_highestSequence) {
                    m_highestSequence = command.sequence;
                    skipRest = ServerCommand(command.sequence, command.text);
                }
                break;
            case ModernCommand::Snapshot:
                Snapshot(command.serverTime);
                break;
            case ModernCommand::Nop:
                break;
            }
            if (skipRest) {
                inGameState = false;
                break;
            }
        }
        if (!decoded.ok)
            return ReadError(FieldName(decoded.field), messageEnd <= size);
        // Downloads and voice data are real commands of these protocols that the walk has no use
        // for; inside a game state any unknown byte ends the message, as in the plain walk.
        const int unknown = decoded.unknownCommand;
        if (unknown >= 0 && !inGameState && unknown != 6 && unknown != 9 && unknown != 10) {
            if (unknown == 0) {
                LogDirect(std::to_string(sequence) + "; bad command");
            } else {
                LogDirect("Packet: " + std::to_string(m_packet) + ", Parsing Error");
            }
            return WalkOutcome::Stopped;
        }

        if (messageEnd > size) {
            // The data ends inside this message: a cut demo, though no field of it was missed.
            FinishCutWalk(false);
            return WalkOutcome::ReadError;
        }
        if (messageEnd == size)
            break;
        pos = static_cast<size_t>(messageEnd);
    }
    FinishWalk();
    return WalkOutcome::Finished;
}

} // namespace core
