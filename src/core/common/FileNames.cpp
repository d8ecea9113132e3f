#include "core/common/FileNames.h"

namespace core {

std::string_view ExtensionOf(std::string_view name)
{
    const size_t cut = name.find_last_of(".\\/");
    if (cut == std::string_view::npos || name[cut] != '.')
        return {};
    return name.substr(cut);
}

std::string LowerExtension(std::string_view name)
{
    std::string extension(ExtensionOf(name));
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return extension;
}

} // namespace core
