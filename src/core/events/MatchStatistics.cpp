#include "core/events/MatchStatistics.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <climits>
#include <stdexcept>

#include "core/archive/DemoFile.h"
#include "core/common/FileNames.h"
#include "core/demo/DemoDecoder.h"
#include "core/events/EventCollector.h"
#include "core/events/EventTables.h"

namespace core {

namespace {

// The mods number weapons as the game does; Quake Live's additions come in its own order.
constexpr std::array<Weapon, 15> kGameWeapons = {
    Weapon::None,           Weapon::Gauntlet,     Weapon::MachineGun,        Weapon::Shotgun,   Weapon::GrenadeLauncher,
    Weapon::RocketLauncher, Weapon::LightningGun, Weapon::Railgun,           Weapon::PlasmaGun, Weapon::Bfg,
    Weapon::GrapplingHook,  Weapon::NailGun,      Weapon::ProximityLauncher, Weapon::ChainGun,  Weapon::HeavyMachineGun,
};
// Quake Live's duel scores: the client number and 90 figures per player, weapons from the 21st.
constexpr size_t kDuelFigures = 90;
constexpr size_t kDuelDamageGiven = 7;
constexpr size_t kDuelFirstWeapon = 20;
constexpr size_t kDuelWeaponFigures = 5;
constexpr size_t kDuelWeapons = 14;
// OSP's oldest "statsinfo": 53 figures, weapon 0's four from the 14th.
constexpr size_t kOldestStatsFigures = 53;
constexpr size_t kOldestFirstWeapon = 13;
// A client number above this is damaged data.
constexpr int64_t kMaxClient = 63;

// The command's words after its name, as numbers, up to the first word that is not one. Quake
// Live writes pickup times with decimals among its counts: those keep their whole part.
std::string_view Words(std::string_view command, std::vector<int64_t>& values)
{
    values.clear();
    constexpr std::string_view kSpace = " \t\r\n";
    size_t at = command.find_first_not_of(kSpace);
    if (at == std::string_view::npos)
        return {};
    size_t end = command.find_first_of(kSpace, at);
    const std::string_view word = command.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
    while (end != std::string_view::npos) {
        at = command.find_first_not_of(kSpace, end);
        if (at == std::string_view::npos)
            break;
        end = command.find_first_of(kSpace, at);
        std::string_view text = command.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
        const size_t point = text.find('.');
        if (point != std::string_view::npos && point > 0 &&
            text.find_first_not_of("0123456789", point + 1) == std::string_view::npos)
            text = text.substr(0, point);
        int64_t value = 0;
        const auto [stop, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (ec != std::errc() || stop != text.data() + text.size())
            break;
        values.push_back(value);
    }
    return word;
}

bool ValidClient(int64_t client)
{
    return client >= 0 && client <= kMaxClient;
}
int Low16(int64_t value)
{
    return static_cast<int>(value & 0xFFFF);
}
int High16(int64_t value)
{
    return static_cast<int>((value >> 16) & 0xFFFF);
}
int Figure(int64_t value)
{
    return static_cast<int>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

int MaskCount(int64_t mask, int first, int last)
{
    int count = 0;
    for (int bit = first; bit <= last; ++bit)
        count += (mask >> bit) & 1;
    return count;
}

struct WeaponAlias {
    std::string_view name;
    Weapon weapon;
};
constexpr WeaponAlias kWeaponAliases[] = {
    {"gauntlet", Weapon::Gauntlet},
    {"mg", Weapon::MachineGun},
    {"machinegun", Weapon::MachineGun},
    {"sg", Weapon::Shotgun},
    {"shotgun", Weapon::Shotgun},
    {"gl", Weapon::GrenadeLauncher},
    {"grenade", Weapon::GrenadeLauncher},
    {"rl", Weapon::RocketLauncher},
    {"rocket", Weapon::RocketLauncher},
    {"lg", Weapon::LightningGun},
    {"lightning", Weapon::LightningGun},
    {"rg", Weapon::Railgun},
    {"rail", Weapon::Railgun},
    {"railgun", Weapon::Railgun},
    {"pg", Weapon::PlasmaGun},
    {"plasma", Weapon::PlasmaGun},
    {"bfg", Weapon::Bfg},
    {"gh", Weapon::GrapplingHook},
    {"grapple", Weapon::GrapplingHook},
    {"ng", Weapon::NailGun},
    {"nailgun", Weapon::NailGun},
    {"cg", Weapon::ChainGun},
    {"chaingun", Weapon::ChainGun},
    {"pl", Weapon::ProximityLauncher},
    {"prox", Weapon::ProximityLauncher},
    {"hmg", Weapon::HeavyMachineGun},
};

} // namespace

std::optional<double> WeaponStatistics::Accuracy() const
{
    if (shots <= 0)
        return std::nullopt;
    return 100.0 * hits / shots;
}

const WeaponStatistics* PlayerStatistics::Find(Weapon weapon) const
{
    for (const WeaponStatistics& w : weapons)
        if (w.weapon == weapon)
            return &w;
    return nullptr;
}

const PlayerStatistics* MatchStatistics::ForClient(int client) const
{
    for (const PlayerStatistics& p : players)
        if (p.client == client)
            return &p;
    return nullptr;
}

const PlayerStatistics* MatchStatistics::ForName(std::string_view name) const
{
    for (auto p = players.rbegin(); p != players.rend(); ++p)
        if (p->name == name)
            return &*p;
    return nullptr;
}

MatchStatisticsCollector::MatchStatisticsCollector(int protocol)
    : m_protocol(protocol), m_firstPlayerIndex(EventTablesFor(protocol, false).firstPlayerIndex),
      m_names(static_cast<size_t>(kMaxClient) + 1)
{
}

void MatchStatisticsCollector::GameState(const struct GameState& state)
{
    std::fill(m_names.begin(), m_names.end(), std::string());
    for (const auto& [index, text] : state.configStrings)
        ConfigString(index, text);
    if (state.clientNumber)
        m_followed = *state.clientNumber;
    // A new game state restarts the server's command numbering.
    m_sequenceKnown = false;
}

void MatchStatisticsCollector::ConfigString(int index, std::string_view text)
{
    const int client = index - m_firstPlayerIndex;
    if (ValidClient(client))
        m_names[static_cast<size_t>(client)].assign(InfoPair(text, "n"));
}

PlayerStatistics& MatchStatisticsCollector::Player(int client, std::string_view source)
{
    if (m_result.source.empty())
        m_result.source.assign(source);
    auto& players = m_result.players;
    auto at = std::lower_bound(players.begin(), players.end(), client,
                               [](const PlayerStatistics& p, int c) { return p.client < c; });
    if (at == players.end() || at->client != client)
        at = players.insert(at, PlayerStatistics{});
    *at = PlayerStatistics{};
    at->client = client;
    at->name = m_names[static_cast<size_t>(client)];
    return *at;
}

// OSP's weapons: per weapon of the mask (bits 1 to 10) hits and drops, shots and pickups packed
// as two 16-bit halves, then kills and deaths.
void MatchStatisticsCollector::OspWeapons(PlayerStatistics& player, const std::vector<int64_t>& values, int mask,
                                          size_t& at)
{
    for (int bit = 1; bit <= 10; ++bit) {
        if (!((mask >> bit) & 1))
            continue;
        WeaponStatistics& w = player.weapons.emplace_back();
        w.weapon = kGameWeapons[static_cast<size_t>(bit)];
        w.hits = Low16(values.at(at));
        w.shots = Low16(values.at(at + 1));
        w.kills = Figure(values.at(at + 2));
        w.deaths = Figure(values.at(at + 3));
        at += 4;
    }
}

void MatchStatisticsCollector::ServerCommand(int32_t sequence, std::string_view command)
{
    // The server sends a command again until the client acknowledges it.
    if (m_sequenceKnown && sequence <= m_sequence)
        return;
    m_sequenceKnown = true;
    m_sequence = sequence;
    // The forms' lengths are checked before their figures are read; a read past the end all the
    // same leaves the line out with what it began to change, rather than ending the walk.
    MatchStatistics before;
    if (command.starts_with("statsinfo") || command.starts_with("xstats") || command.starts_with("mstats") ||
        command.starts_with("scores_duel"))
        before = m_result;
    try {
        ReadCommand(command);
    } catch (const std::out_of_range&) {
        ++m_linesLeftOut;
        m_result = std::move(before);
    }
}

void MatchStatisticsCollector::ReadCommand(std::string_view command)
{
    thread_local std::vector<int64_t> v;
    const std::string_view word = Words(command, v);
    if (word == "cs") {
        // "cs INDEX "TEXT"": only player names matter here.
        if (v.empty())
            return;
        const size_t open = command.find('"');
        const size_t close = command.rfind('"');
        if (open != std::string_view::npos && close > open)
            ConfigString(static_cast<int>(v.at(0)), command.substr(open + 1, close - open - 1));
    } else if (word == "xstats1") {
        // Client, weapon mask, the weapons, then damage given and received (older versions) or
        // armour taken, health taken, damage given and received and pickup counts.
        if (v.size() < 2 || !ValidClient(v.at(0)))
            return;
        const int mask = static_cast<int>(v.at(1));
        size_t at = 2 + 4 * static_cast<size_t>(MaskCount(mask, 1, 10));
        const bool older = v.size() == at + 2;
        if (!older && v.size() < at + 4)
            return;
        PlayerStatistics& p = Player(static_cast<int>(v.at(0)), "OSP");
        if (older) {
            p.damageGiven = Figure(v.at(at));
            p.damageTaken = Figure(v.at(at + 1));
        } else {
            p.armourTaken = Figure(v.at(at));
            p.healthTaken = Figure(v.at(at + 1));
            p.damageGiven = Figure(v.at(at + 2));
            p.damageTaken = Figure(v.at(at + 3));
        }
        at = 2;
        OspWeapons(p, v, mask, at);
    } else if (word == "statsinfo") {
        // The followed player's own: damage given and received the 9th and 10th figures, then
        // the weapon mask and the weapons as "xstats1" has them. The mask is the 22nd figure
        // (armour and health taken in the high halves of the 11th and 12th) or, in older
        // versions, the 18th. The oldest (1.27's) has no mask but 53 figures: from the 14th, four
        // per weapon from weapon 0 on: shots, hits, kills, deaths. The figures must fill the line
        // exactly: other versions place them elsewhere.
        if (v.size() < 18 || !ValidClient(m_followed))
            return;
        const auto fits = [&](size_t maskAt) {
            return v.size() > maskAt &&
                   v.size() == maskAt + 1 + 4 * static_cast<size_t>(MaskCount(v.at(maskAt), 1, 10)) &&
                   (v.at(maskAt) & ~int64_t{0x7FE}) == 0;
        };
        const bool newer = fits(21);
        const bool older = !newer && fits(17);
        const bool oldest = !newer && !older && v.size() == kOldestStatsFigures;
        if (!newer && !older && !oldest)
            return;
        PlayerStatistics& p = Player(m_followed, "OSP");
        p.damageGiven = Figure(v.at(8));
        p.damageTaken = Figure(v.at(9));
        if (newer) {
            p.armourTaken = High16(v.at(10));
            p.healthTaken = High16(v.at(11));
        }
        if (oldest) {
            // Weapons 0 to 9 fill the line: no grapple.
            for (size_t weapon = 1; weapon <= 9; ++weapon) {
                const size_t at = kOldestFirstWeapon + 4 * weapon;
                if (v.at(at) <= 0 && v.at(at + 1) <= 0)
                    continue;
                p.weapons.push_back({kGameWeapons[weapon], Figure(v.at(at + 1)), Figure(v.at(at)), Figure(v.at(at + 2)),
                                     Figure(v.at(at + 3))});
            }
            return;
        }
        size_t at = newer ? 22 : 18;
        OspWeapons(p, v, static_cast<int>(v.at(at - 1)), at);
    } else if (word == "xstats2" || word == "xstats2a" || word == "mstats" || word == "mstatsa") {
        // Client, weapon mask (bits 1 to 9), six figures per weapon (hits, shots, kills, deaths,
        // pickups, drops), then damage given, damage received, armour and health taken.
        if (v.size() < 2 || !ValidClient(v.at(0)))
            return;
        const int mask = static_cast<int>(v.at(1));
        size_t at = 2;
        if (v.size() < at + 6 * static_cast<size_t>(MaskCount(mask, 1, 9)) + 4)
            return;
        PlayerStatistics& p = Player(static_cast<int>(v.at(0)), "CPMA");
        for (int bit = 1; bit <= 9; ++bit) {
            if (!((mask >> bit) & 1))
                continue;
            WeaponStatistics& w = p.weapons.emplace_back();
            w.weapon = kGameWeapons[static_cast<size_t>(bit)];
            w.hits = Figure(v.at(at));
            w.shots = Figure(v.at(at + 1));
            w.kills = Figure(v.at(at + 2));
            w.deaths = Figure(v.at(at + 3));
            at += 6;
        }
        p.damageGiven = Figure(v.at(at));
        p.damageTaken = Figure(v.at(at + 1));
        p.armourTaken = Figure(v.at(at + 2));
        p.healthTaken = Figure(v.at(at + 3));
    } else if (word == "scores_duel") {
        // Player count, then per player the client number and 90 figures. A line of any other
        // length is some other version's: its figures cannot be placed.
        if (v.empty() || v.at(0) < 0 || v.at(0) > kMaxClient + 1)
            return;
        const size_t count = static_cast<size_t>(v.at(0));
        if (v.size() != 1 + count * (1 + kDuelFigures))
            return;
        for (size_t i = 0; i < count; ++i) {
            const std::span<const int64_t> entry(v.data() + 1 + i * (1 + kDuelFigures), 1 + kDuelFigures);
            if (!ValidClient(entry[0]))
                continue;
            PlayerStatistics& p = Player(static_cast<int>(entry[0]), "Quake Live");
            p.damageGiven = Figure(entry[1 + kDuelDamageGiven]);
            for (size_t weapon = 0; weapon < kDuelWeapons; ++weapon) {
                const size_t at = 1 + kDuelFirstWeapon + weapon * kDuelWeaponFigures;
                // Quake Live lists every weapon; one never fired is left out.
                if (entry[at + 1] <= 0 && entry[at] <= 0)
                    continue;
                WeaponStatistics& w = p.weapons.emplace_back();
                w.weapon = kGameWeapons[weapon + 1];
                w.hits = Figure(entry[at]);
                w.shots = Figure(entry[at + 1]);
                w.kills = Figure(entry[at + 4]);
            }
        }
    }
}

MatchStatistics MatchStatisticsCollector::Finish()
{
    return std::move(m_result);
}

void CollectStatistics(MatchStatisticsCollector& collector, const DemoMessage& message)
{
    if (message.gameState)
        collector.GameState(*message.gameState);
    for (const struct ServerCommand& command : message.serverCommands)
        collector.ServerCommand(command.sequence, command.text);
    if (message.snapshot && message.snapshot->valid)
        collector.FollowedClient(static_cast<int>(message.snapshot->player[PlayerField::ClientNum]));
}

MatchStatistics ReadMatchStatistics(std::span<const DemoMessage> messages, int protocol)
{
    MatchStatisticsCollector collector(protocol);
    for (const DemoMessage& message : messages)
        CollectStatistics(collector, message);
    return collector.Finish();
}

MatchStatisticsResult ReadMatchStatistics(std::span<const uint8_t> data, std::string_view lowerExtension)
{
    MatchStatisticsResult result;
    result.found = true;
    const int protocol = DemoProtocolOf(data, lowerExtension);
    if (!IsDecodableProtocol(protocol)) {
        result.problem = "unknown protocol";
        return result;
    }
    DemoDecoder decoder(data, protocol);
    MatchStatisticsCollector collector(protocol);
    DemoMessage message;
    while (decoder.Next(message))
        CollectStatistics(collector, message);
    if (decoder.Error() != DecodeError::None)
        result.problem = std::string(DecodeErrorText(decoder.Error()));
    result.statistics = collector.Finish();
    return result;
}

MatchStatisticsResult LoadMatchStatistics(const std::string& name, const std::string& archive)
{
    DemoBytes bytes = LoadDemoBytes(name, archive);
    if (!bytes.found || bytes.memoryError) {
        MatchStatisticsResult result;
        result.problem = bytes.problem.empty() ? "cannot be read" : bytes.problem;
        return result;
    }
    return ReadMatchStatistics(bytes.data.span(), LowerExtension(name));
}

Weapon WeaponNamed(std::string_view name)
{
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const WeaponAlias& alias : kWeaponAliases)
        if (alias.name == lower)
            return alias.weapon;
    return Weapon::None;
}

std::string_view WeaponShortName(Weapon weapon)
{
    for (const WeaponAlias& alias : kWeaponAliases)
        if (alias.weapon == weapon)
            return alias.name;
    return {};
}

} // namespace core
