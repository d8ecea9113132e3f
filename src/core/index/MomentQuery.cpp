#include "core/index/MomentQuery.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <utility>

#include "core/common/TextEncoding.h"
#include "core/index/SearchQuery.h"

namespace core {
namespace {

using C = DeathCause;

struct WeaponWord {
    std::string_view name;
    std::array<DeathCause, 2> causes; // the second repeats the first when there is one
};

// The weapons by their names in the game and their usual short names; splash damage counts as the
// weapon's own.
constexpr std::array<WeaponWord, 33> kWeaponNames{{
    {"gauntlet", {C::Gauntlet, C::Gauntlet}},
    {"machinegun", {C::MachineGun, C::MachineGun}},
    {"mg", {C::MachineGun, C::MachineGun}},
    {"shotgun", {C::Shotgun, C::Shotgun}},
    {"sg", {C::Shotgun, C::Shotgun}},
    {"grenade", {C::Grenade, C::GrenadeSplash}},
    {"grenadelauncher", {C::Grenade, C::GrenadeSplash}},
    {"gl", {C::Grenade, C::GrenadeSplash}},
    {"rocket", {C::Rocket, C::RocketSplash}},
    {"rocketlauncher", {C::Rocket, C::RocketSplash}},
    {"rl", {C::Rocket, C::RocketSplash}},
    {"lightning", {C::Lightning, C::Lightning}},
    {"lightninggun", {C::Lightning, C::Lightning}},
    {"lg", {C::Lightning, C::Lightning}},
    {"rail", {C::Railgun, C::Railgun}},
    {"railgun", {C::Railgun, C::Railgun}},
    {"rg", {C::Railgun, C::Railgun}},
    {"plasma", {C::Plasma, C::PlasmaSplash}},
    {"plasmagun", {C::Plasma, C::PlasmaSplash}},
    {"pg", {C::Plasma, C::PlasmaSplash}},
    {"bfg", {C::Bfg, C::BfgSplash}},
    {"telefrag", {C::Telefrag, C::Telefrag}},
    {"nailgun", {C::NailGun, C::NailGun}},
    {"ng", {C::NailGun, C::NailGun}},
    {"chaingun", {C::ChainGun, C::ChainGun}},
    {"cg", {C::ChainGun, C::ChainGun}},
    {"prox", {C::ProximityMine, C::ProximityMine}},
    {"proximity", {C::ProximityMine, C::ProximityMine}},
    {"pl", {C::ProximityMine, C::ProximityMine}},
    {"kamikaze", {C::Kamikaze, C::Kamikaze}},
    {"grapple", {C::Grapple, C::Grapple}},
    {"hmg", {C::HeavyMachineGun, C::HeavyMachineGun}},
    {"heavymachinegun", {C::HeavyMachineGun, C::HeavyMachineGun}},
}};

// The game's names of its means of death, "mod_" left off.
constexpr std::array<std::pair<std::string_view, DeathCause>, 32> kCauseNames{{
    {"unknown", C::Unknown},
    {"shotgun", C::Shotgun},
    {"gauntlet", C::Gauntlet},
    {"machinegun", C::MachineGun},
    {"grenade", C::Grenade},
    {"grenade_splash", C::GrenadeSplash},
    {"rocket", C::Rocket},
    {"rocket_splash", C::RocketSplash},
    {"plasma", C::Plasma},
    {"plasma_splash", C::PlasmaSplash},
    {"railgun", C::Railgun},
    {"lightning", C::Lightning},
    {"bfg", C::Bfg},
    {"bfg_splash", C::BfgSplash},
    {"water", C::Water},
    {"slime", C::Slime},
    {"lava", C::Lava},
    {"crush", C::Crush},
    {"telefrag", C::Telefrag},
    {"falling", C::Falling},
    {"suicide", C::Suicide},
    {"target_laser", C::TargetLaser},
    {"trigger_hurt", C::TriggerHurt},
    {"nail", C::NailGun},
    {"chaingun", C::ChainGun},
    {"proximity_mine", C::ProximityMine},
    {"kamikaze", C::Kamikaze},
    {"juiced", C::Juiced},
    {"grapple", C::Grapple},
    {"switch_teams", C::TeamSwitch},
    {"thaw", C::Thaw},
    {"hmg", C::HeavyMachineGun},
}};

std::optional<int> PositiveNumber(std::string_view text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() || value < 1)
        return std::nullopt;
    return value;
}

// a,b or a|b: either.
std::vector<std::string> Alternatives(std::string_view value)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= value.size()) {
        const size_t end = value.find_first_of(",|", start);
        const std::string_view one = value.substr(start, end == std::string_view::npos ? value.npos : end - start);
        if (!one.empty())
            parts.emplace_back(one);
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return parts;
}

void AddOnce(std::vector<std::string>& into, std::string value)
{
    if (!value.empty() && std::find(into.begin(), into.end(), value) == into.end())
        into.push_back(std::move(value));
}

} // namespace

std::vector<DeathCause> CausesOfWeaponName(std::string_view typed)
{
    std::string name = LowerCase(typed);
    std::vector<DeathCause> causes;
    const bool gameName = name.starts_with("mod_");
    if (gameName)
        name.erase(0, 4);
    if (!gameName)
        for (const WeaponWord& weapon : kWeaponNames)
            if (weapon.name == name)
                for (const DeathCause cause : weapon.causes)
                    if (std::find(causes.begin(), causes.end(), cause) == causes.end())
                        causes.push_back(cause);
    if (causes.empty())
        for (const auto& [text, cause] : kCauseNames)
            if (text == name)
                causes.push_back(cause);
    return causes;
}

size_t MomentQuery::TermCount() const
{
    return (frags ? 1 : 0) + (suicides ? 1 : 0) + (captures ? 1 : 0) + says.size() + by.size() + of.size() +
           causes.size() + (air ? 1 : 0) + (multi ? 1 : 0) + (spree ? 1 : 0);
}

bool ReadMomentTerm(std::string_view term, MomentQuery& query, std::vector<std::string>& errors)
{
    const std::string lowered = LowerCase(term);
    if (lowered == "frag" || lowered == "frags") {
        query.frags = true;
        return true;
    }
    if (lowered == "suicide" || lowered == "suicides") {
        query.suicides = true;
        return true;
    }
    if (lowered == "capture" || lowered == "captures") {
        query.captures = true;
        return true;
    }
    if (lowered == "air") {
        query.air = true;
        return true;
    }
    const size_t colon = term.find(':');
    if (colon == std::string_view::npos)
        return false;
    const std::string facet = LowerCase(term.substr(0, colon));
    const std::string_view value = term.substr(colon + 1);
    if (facet == "say") {
        AddOnce(query.says, SearchText(value));
    } else if (facet == "by" || facet == "of") {
        for (const std::string& name : Alternatives(value))
            AddOnce(facet == "by" ? query.by : query.of, SearchText(name));
    } else if (facet == "weapon") {
        for (const std::string& name : Alternatives(value)) {
            const std::vector<DeathCause> causes = CausesOfWeaponName(name);
            if (causes.empty())
                errors.push_back(std::string(term) + ": no weapon or means of death is called " + name);
            for (const DeathCause cause : causes)
                if (std::find(query.causes.begin(), query.causes.end(), cause) == query.causes.end())
                    query.causes.push_back(cause);
        }
    } else if (facet == "multi") {
        const size_t slash = value.find('/');
        const auto frags = PositiveNumber(value.substr(0, slash));
        const auto seconds = slash == std::string_view::npos ? std::nullopt : PositiveNumber(value.substr(slash + 1));
        if (!frags || !seconds || *frags < 2)
            errors.push_back(std::string(term) + ": write multi:N/S, N frags (2 or more) within S seconds");
        else
            query.multi = MultiFragTerm{*frags, *seconds};
    } else if (facet == "spree") {
        const auto frags = PositiveNumber(value);
        if (!frags || *frags < 2)
            errors.push_back(std::string(term) + ": write spree:N, N frags (2 or more) without dying");
        else
            query.spree = *frags;
    } else {
        return false;
    }
    return true;
}

} // namespace core
