#pragma once
// The user's own parameters for every start of the game ("q3a_start_param"), and where they go on
// the command line.
#include <string>

namespace core {

inline constexpr const char* kGlobalParametersTitle = "Add global parameter(s) for executing Q3A";
inline constexpr const char* kGlobalParametersHint = "Example: +exec myconfig";

// The parameters of a play start: the global parameters, a blank, the mod part and
// " +exec vmrtmp.vmr". The blank stays when both are empty, so the user's own "+exec" always runs
// before the play script.
std::string PlayStartParameters(const std::string& globalParameters, const std::string& modPart);

} // namespace core
