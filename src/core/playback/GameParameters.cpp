#include "core/playback/GameParameters.h"

#include "core/settings/Settings.h"

namespace core {

std::string PlayStartParameters(const std::string& globalParameters, const std::string& modPart)
{
    return globalParameters + " " + modPart + " +exec vmrtmp.vmr";
}

void SetGlobalParameters(const std::string& parameters)
{
    Settings.q3a_start_param = parameters;
}

} // namespace core
