#include "core/playback/GameParameters.h"

namespace core {

std::string PlayStartParameters(const std::string& globalParameters, const std::string& modPart)
{
    return globalParameters + " " + modPart + " +exec vmrtmp.vmr";
}

} // namespace core
