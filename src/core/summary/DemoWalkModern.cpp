#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "core/protocol/MessageCommand.h"
#include "core/protocol/MessageFramer.h"
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
    size_t pendingAt = 0;
    const auto settle = [&] {
        if (pending.empty())
            return true;
        uint32_t serverTime = 0;
        if (!QuickSnapshotTime(pending, serverTime, memo)) {
            m_packet = pendingPacket; // damaged: the error the message would have given
            m_messageAt = pendingAt;
            return false;
        }
        m_current = serverTime;
        pending = {};
        return true;
    };
    MessageFramer framer(m_data, rules.maxMessageSize);
    for (;;) {
        ++m_packet;
        MessageFrame frame;
        const FrameResult framed = framer.Next(frame);
        if (framed == FrameResult::EndMarker || framed == FrameResult::DataEnd)
            break;
        if (framed != FrameResult::Message && framed != FrameResult::CutPayload) {
            // A damaged snapshot before a damaged header gives the error the snapshot would.
            if (!settle())
                return ReadError("ServerTime");
            m_messageAt = frame.at;
            return HeaderError(framed);
        }
        // The walk hops from header to header; fetching ahead hides the memory latency.
        __builtin_prefetch(m_data.data() + std::min(frame.at + 1024, size - 1));
        const bool cut = framed == FrameResult::CutPayload;
        const std::span<const uint8_t> payload = frame.payload;
        if (!m_firstSnapshot && IsQuickSnapshot(payload, memo)) {
            pending = payload;
            pendingPacket = m_packet;
            pendingAt = frame.at;
            if (cut)
                break;
            continue;
        }
        m_messageAt = frame.at;
        if (!settle())
            return ReadError("ServerTime");
        commands.clear();
        const ModernDecodeResult decoded = DecodeModernMessage(payload, commands);
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
            return ReadError(FieldName(decoded.field), !cut);
        // Inside a game state a byte the game refuses ends the message, as in the plain walk.
        const int unknown = decoded.unknownCommand;
        if (unknown >= 0 && !inGameState) {
            if (unknown == static_cast<int>(MessageCommand::Bad)) {
                LogDirect(std::to_string(frame.sequence) + "; bad command");
            } else {
                LogDirect("Packet: " + std::to_string(m_packet) + ", Parsing Error");
            }
            m_mod.Finish();
            return WalkOutcome::Stopped;
        }

        if (cut) {
            // The data ends inside this message: a cut demo, though no field of it was missed.
            FinishCutWalk(false);
            return WalkOutcome::ReadError;
        }
    }
    if (!settle())
        return ReadError("ServerTime");
    m_mod.Finish();
    FinishWalk();
    return WalkOutcome::Finished;
}

} // namespace core
