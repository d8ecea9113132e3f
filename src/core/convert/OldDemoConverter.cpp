#include "core/convert/OldDemoConverter.h"

#include <algorithm>
#include <charconv>

#include "core/convert/OldGameNumbers.h"

namespace core {
namespace {

constexpr const char* kConfigStrings = "configuration strings";
constexpr const char* kEvents = "entity events";
constexpr const char* kPersistant = "persistant player values";
constexpr const char* kItems = "items";
constexpr const char* kWeapons = "weapons";
constexpr const char* kMeansOfDeath = "means of death";
constexpr const char* kCommands = "server commands";
// Below these every weapon and item number has its counterpart; the full checks name the rest.
constexpr uint32_t kQuickWeaponLimit = 10;
constexpr uint32_t kQuickItemLimit = 35;

int AsInt(uint32_t value)
{
    return static_cast<int>(value);
}

// "cs 13 \"text\"" and the three parts of a big one ("bcs0 13 \"tex", "bcs1 13 t", "bcs2 13 xt\""):
// the command word and the index, and where the text after the index starts.
struct ConfigStringCommand {
    std::string_view word;
    int index = -1;
    size_t textStart = 0;
};

std::optional<ConfigStringCommand> ParseConfigStringCommand(std::string_view text)
{
    ConfigStringCommand command;
    const size_t space = text.find(' ');
    if (space == std::string_view::npos)
        return std::nullopt;
    command.word = text.substr(0, space);
    if (command.word != "cs" && command.word != "bcs0" && command.word != "bcs1" && command.word != "bcs2")
        return std::nullopt;
    const char* first = text.data() + space + 1;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(first, last, command.index);
    if (error != std::errc() || end == first)
        return std::nullopt;
    command.textStart = static_cast<size_t>(end - text.data());
    return command;
}

} // namespace

OldDemoConverter::OldDemoConverter(int protocol, int newProtocol, TargetGameData data)
    : m_protocol(protocol), m_newProtocol(newProtocol), m_data(std::move(data)),
      m_oldTables(UsesOldGameTables(protocol))
{
}

void OldDemoConverter::Drop(const char* kind, int number)
{
    ++m_dropped[kind][number];
}

std::vector<std::string> OldDemoConverter::Dropped() const
{
    std::vector<std::string> lines;
    for (const char* kind : {kConfigStrings, kEvents, kPersistant, kItems, kWeapons, kMeansOfDeath}) {
        const auto found = m_dropped.find(kind);
        if (found == m_dropped.end())
            continue;
        std::string line = kind;
        const char* separator = " ";
        for (const auto& [number, count] : found->second) {
            line += separator + std::to_string(number);
            separator = ", ";
        }
        lines.push_back(line);
    }
    if (!m_droppedCommands.empty()) {
        std::string line = kCommands;
        const char* separator = " ";
        for (const std::string& word : m_droppedCommands) {
            line += separator + word;
            separator = ", ";
        }
        lines.push_back(line);
    }
    return lines;
}

void OldDemoConverter::Convert(DemoMessage& message)
{
    for (ServerCommand& command : message.serverCommands)
        command.text = ConvertCommand(command.text);
    if (message.gameState) {
        ++m_gameStates;
        ConvertGameState(*message.gameState);
    }
    if (message.snapshot) {
        ConvertPlayer(message.snapshot->player);
        for (EntityState& entity : message.snapshot->entities)
            ConvertEntity(entity);
    }
}

void OldDemoConverter::ConvertGameState(GameState& gameState)
{
    std::vector<std::pair<int, std::string>> strings;
    strings.reserve(gameState.configStrings.size() + 1);
    for (auto& [index, text] : gameState.configStrings) {
        const std::optional<int> mapped = ConfigStringIndexTo132(m_protocol, index);
        if (!mapped) {
            if (!text.empty())
                Drop(kConfigStrings, index);
            continue;
        }
        if (*mapped == kServerInfoIndex)
            text = ServerInfoTo132(text, m_newProtocol);
        strings.emplace_back(*mapped, std::move(text));
    }
    // The engine's data checks the game version before anything else.
    std::erase_if(strings, [](const auto& entry) { return entry.first == kGameVersionIndex; });
    strings.emplace_back(kGameVersionIndex, m_data.gameVersion);
    std::stable_sort(strings.begin(), strings.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    gameState.configStrings = std::move(strings);
    for (EntityState& baseline : gameState.baselines)
        ConvertEntity(baseline);
}

std::string OldDemoConverter::ConvertCommand(const std::string& text)
{
    if (!Is132ServerCommand(text)) {
        const std::string word(FirstWord(text).substr(0, 32));
        if (m_droppedCommands.size() < kMaxNamedCommands || m_droppedCommands.contains(word))
            m_droppedCommands.insert(word);
        return kHarmlessCommand;
    }
    if (text.starts_with("scores ")) {
        const std::string scores = ScoresCommandTo132(m_protocol, text);
        return m_data.openArenaNumbers ? ScoresCommandToOpenArena(scores) : scores;
    }
    const std::optional<ConfigStringCommand> command = ParseConfigStringCommand(text);
    if (!command)
        return text;
    const std::optional<int> mapped = ConfigStringIndexTo132(m_protocol, command->index);
    if (!mapped) {
        Drop(kConfigStrings, command->index);
        return kHarmlessCommand;
    }
    std::string rest = text.substr(command->textStart);
    const std::string head = std::string(command->word) + " " + std::to_string(*mapped);
    if (command->word != "cs")
        return head + rest;
    if (*mapped == kGameVersionIndex)
        return head + " \"" + m_data.gameVersion + "\"";
    if (*mapped == kServerInfoIndex) {
        // " \"\\key\\value...\"": the quotes and a line feed the server may have put after them stay.
        const size_t open = rest.find('"');
        const size_t close = rest.rfind('"');
        if (open != std::string::npos && close > open)
            rest = rest.substr(0, open + 1) +
                   ServerInfoTo132(std::string_view(rest).substr(open + 1, close - open - 1), m_newProtocol) +
                   rest.substr(close);
    }
    return head + rest;
}

uint32_t OldDemoConverter::ConvertEvent(uint32_t event)
{
    const std::optional<int> mapped = EntityEventTo132(m_protocol, AsInt(event));
    if (mapped)
        return static_cast<uint32_t>(*mapped);
    Drop(kEvents, AsInt(event) & ~kEventBits);
    return event & static_cast<uint32_t>(kEventBits);
}

void OldDemoConverter::ConvertEntity(EntityState& entity)
{
    // Most entities of most snapshots need nothing: 1.27's numbers are 1.32's, and checking the
    // ranges comes first.
    if (m_oldTables) {
        const int type = AsInt(entity[EntityField::EType]);
        const std::optional<int> newType = EntityTypeTo132(m_protocol, type);
        if (newType) {
            entity[EntityField::EType] = static_cast<uint32_t>(*newType);
        } else {
            // An event entity whose event has no counterpart: it stays, without its event.
            Drop(kEvents, type - 12);
            entity[EntityField::EType] = kEventsEntityType;
        }
        if (entity[EntityField::Event] != 0)
            entity[EntityField::Event] = ConvertEvent(entity[EntityField::Event]);
    }

    const int newTypeValue = AsInt(entity[EntityField::EType]);
    const int event = newTypeValue > kEventsEntityType ? newTypeValue - kEventsEntityType
                                                       : AsInt(entity[EntityField::Event]) & ~kEventBits;
    const int parm = AsInt(entity[EntityField::EventParm]);
    if ((event == kItemPickupEvent || event == kGlobalPickupEvent) && !ItemTo132(m_protocol, parm)) {
        Drop(kItems, parm);
        entity[EntityField::EventParm] = 0;
    }
    if (event == kObituaryEvent) {
        const std::optional<int> meansOfDeath = MeansOfDeathTo132(m_protocol, parm);
        if (!meansOfDeath)
            Drop(kMeansOfDeath, parm);
        entity[EntityField::EventParm] =
            static_cast<uint32_t>(meansOfDeath && m_data.openArenaNumbers ? MeansOfDeathToOpenArena(*meansOfDeath)
                                                                          : meansOfDeath.value_or(0));
    }
    const int model = AsInt(entity[EntityField::ModelIndex]);
    if (newTypeValue == kItemEntityType && entity[EntityField::ModelIndex] > kQuickItemLimit &&
        !ItemTo132(m_protocol, model)) {
        // The game's client stops at an item it does not know; the entity stays, hidden.
        Drop(kItems, model);
        entity[EntityField::EType] = kInvisibleEntityType;
    }
    const int weapon = AsInt(entity[EntityField::Weapon]);
    if (entity[EntityField::Weapon] > kQuickWeaponLimit && !WeaponTo132(m_protocol, weapon)) {
        Drop(kWeapons, weapon);
        entity[EntityField::Weapon] = 0;
    }
}

void OldDemoConverter::ConvertPlayer(PlayerState& player)
{
    for (PlayerField field : {PlayerField::Events0, PlayerField::Events1, PlayerField::ExternalEvent})
        if (player[field] != 0)
            player[field] = ConvertEvent(player[field]);
    if (UsesOldGameTables(m_protocol)) {
        std::array<int32_t, kStateArraySize> persistant{};
        for (int i = 0; i < kStateArraySize; ++i) {
            const int32_t value = player.persistant[static_cast<size_t>(i)];
            if (const std::optional<int> mapped = PersistantIndexTo132(m_protocol, i))
                persistant[static_cast<size_t>(*mapped)] = value;
            else if (value != 0)
                Drop(kPersistant, i);
        }
        player.persistant = persistant;
    }
    const int weapon = AsInt(player[PlayerField::Weapon]);
    if (!WeaponTo132(m_protocol, weapon)) {
        Drop(kWeapons, weapon);
        player[PlayerField::Weapon] = 0;
    }
    if (m_data.openArenaNumbers)
        player.stats = StatsToOpenArena(player.stats);
}

} // namespace core
