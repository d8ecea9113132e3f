#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "core/common/LittleEndian.h"
#include "core/protocol/MessageCommand.h"
#include "core/protocol/ModernMessage.h"
#include "core/summary/DemoWalk.h"

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
    // These files hold the coded messages whatever number the text claims.
    const ProtocolInfo& rules = ProtocolRules(std::max(m_demo.protocol, kProtocol132));
    m_demo.fieldsPerScoreEntry = rules.scoreEntryFields;
    m_cs = rules.configStrings;
    m_mod.ServerInfo(m_serverInfo, m_demo.protocol);
}

WalkOutcome DemoWalk::RunModern()
{
    const ProtocolInfo& rules = ProtocolRules(kProtocol132);
    m_cs = rules.configStrings;
    m_demo.fieldsPerScoreEntry = rules.scoreEntryFields;
    m_tracksMatches = true;
    const size_t size = m_data.size();
    std::vector<ModernCommand> commands;
    QuickSnapshotMemo memo;
    // The walk's hot path: a message with nothing but a snapshot only moves the current time,
    // which matters only to the next message with commands and to the end. The last such
    // message's time is read when it is needed.
    std::span<const uint8_t> pending;
    int pendingPacket = 0;
    const auto settle = [&] {
        if (pending.empty())
            return true;
        uint32_t serverTime = 0;
        if (!QuickSnapshotTime(pending, serverTime, memo)) {
            m_packet = pendingPacket; // damaged: the error the message would have given
            return false;
        }
        m_current = serverTime;
        pending = {};
        return true;
    };
    size_t pos = 0;
    for (;;) {
        ++m_packet;
        int32_t sequence = 0, length = 0;
        WalkOutcome failure;
        if (pos <= size && size - pos >= 8) {
            // In line rather than through MessageHeader: once per message, the hot path.
            sequence = static_cast<int32_t>(Le32(m_data.data() + pos));
            length = static_cast<int32_t>(Le32(m_data.data() + pos + 4));
            // The walk hops from header to header; fetching ahead hides the memory latency.
            __builtin_prefetch(m_data.data() + std::min(pos + 1024, size - 1));
        }
        if (pos > size || size - pos < 8 || (sequence != -1 && length < 0)) {
            // A damaged snapshot before a damaged header gives the error the snapshot would.
            if (!settle())
                return ReadError("ServerTime");
            if (!MessageHeader(pos, sequence, length, failure))
                return failure;
        }
        if (sequence == -1)
            break;
        const size_t start = pos + 8;
        const uint64_t messageEnd = static_cast<uint64_t>(start) + static_cast<uint64_t>(length);
        const size_t end = static_cast<size_t>(std::min<uint64_t>(messageEnd, size));

        const std::span<const uint8_t> payload = m_data.subspan(start, end - start);
        if (!m_firstSnapshot && IsQuickSnapshot(payload, memo)) {
            pending = payload;
            pendingPacket = m_packet;
            if (messageEnd >= size)
                break;
            pos = static_cast<size_t>(messageEnd);
            continue;
        }
        if (!settle())
            return ReadError("ServerTime");
        commands.clear();
        const ModernDecodeResult decoded = DecodeModernMessage(m_data.subspan(start, end - start), commands);
        bool inGameState = false;
        for (const ModernCommand& command : commands) {
            bool skipRest = false;
            switch (command.kind) {
            case ModernCommand::GameStateBegin:
                inGameState = true;
                if (m_gameStates++ > 0)
                    m_mod.Restart(*this);
                break;
            case ModernCommand::GameStateEnd:
                inGameState = false;
                break;
            case ModernCommand::ConfigString:
                if (command.index == m_cs->serverInfo) {
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
        const auto isSkipped = [](int command) {
            return command == static_cast<int>(MessageCommand::Download) ||
                   command == static_cast<int>(MessageCommand::VoipSpeex) ||
                   command == static_cast<int>(MessageCommand::VoipOpus);
        };
        if (unknown >= 0 && !inGameState && !isSkipped(unknown)) {
            if (unknown == static_cast<int>(MessageCommand::Bad)) {
                LogDirect(std::to_string(sequence) + "; bad command");
            } else {
                LogDirect("Packet: " + std::to_string(m_packet) + ", Parsing Error");
            }
            m_mod.Finish();
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
    if (!settle())
        return ReadError("ServerTime");
    m_mod.Finish();
    FinishWalk();
    return WalkOutcome::Finished;
}

} // namespace core
