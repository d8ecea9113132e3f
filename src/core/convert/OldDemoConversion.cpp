#include "core/convert/OldDemoConversion.h"

namespace core {

ConvertedDemo ConvertOldDemo(std::span<const uint8_t> demo, int protocol, const std::string& gameVersion)
{
    (void)demo;
    (void)gameVersion;
    ConvertedDemo result;
    result.failure = "demos of protocol " + std::to_string(protocol) + " cannot be decoded yet";
    return result;
}

} // namespace core
