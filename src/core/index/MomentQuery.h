#pragma once
// The moment terms of the search language. A search holding one of them lists moments (a frag, a
// capture, a chat line) instead of demos; the demo terms beside them choose the demos looked in.
//
//   frag                  frags (of another player; "frags" too)
//   suicide               deaths by one's own hand or the world's
//   capture               flag captures
//   say:TEXT              chat lines holding TEXT (say:"good game" for several words)
//   by:NAME               done by a player whose name contains NAME (the fragger, the capturer,
//                         who said it)
//   of:NAME               frags of a victim whose name contains NAME
//   weapon:NAME           frags by a weapon or means of death: rail, rocket, mg, ..., or the game's
//                         names such as mod_rocket_splash; weapon:rail,rocket or rail|rocket for either
//   air                   frags of a victim in the air
//   multi:N/S             N frags or more by one player, each N in a row within S seconds
//   spree:N               N frags or more by one player without dying in between
//
// by:, of:, weapon: and air alone mean frags. Kinds given together are alternatives (frag capture:
// frags and captures); by: holds for every kind, of:, weapon: and air for the frags (and the frags a
// multi-frag counts). Names and texts match as player: does.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/events/DemoEvent.h"

namespace core {

struct MultiFragTerm {
    int frags = 0;
    int seconds = 0;
    bool operator==(const MultiFragTerm&) const = default;
};

struct MomentQuery {
    bool frags = false, suicides = false, captures = false;
    std::vector<std::string> says;   // search texts, alternatives
    std::vector<std::string> by, of; // search texts, alternatives
    std::vector<DeathCause> causes;  // alternatives; empty: any
    bool air = false;
    std::optional<MultiFragTerm> multi;
    std::optional<int> spree;

    // Whether the search lists moments.
    bool Any() const
    {
        return frags || suicides || captures || !says.empty() || !by.empty() || !of.empty() || !causes.empty() || air ||
               multi || spree;
    }
    // Frags are listed one by one: asked for, or implied by a frag term without another kind.
    bool SingleFrags() const
    {
        const bool otherKind = suicides || captures || !says.empty() || multi || spree;
        return frags || (!otherKind && (!of.empty() || !causes.empty() || air || !by.empty()));
    }
    size_t TermCount() const;
};

// Reads one term of a search into the moment query: true when it was a moment term (an error, such
// as a weapon nobody knows, goes into `errors`).
bool ReadMomentTerm(std::string_view term, MomentQuery& query, std::vector<std::string>& errors);

// The means of death a weapon: value stands for; empty when it names none.
std::vector<DeathCause> CausesOfWeaponName(std::string_view name);

} // namespace core
