#include "platform/DriveKind.h"

#include <fstream>
#include <sstream>

namespace platform {
namespace {

// The mount table writes blanks and a few other characters as octal escapes ("\040").
std::string UnescapeMountField(std::string_view field)
{
    std::string text;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const auto digit = [&](size_t at) { return field[at] >= '0' && field[at] <= '7'; };
            if (digit(i + 1) && digit(i + 2) && digit(i + 3)) {
                text += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
                i += 3;
                continue;
            }
        }
        text += field[i];
    }
    return text;
}

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

} // namespace

DriveKind DriveKindFromMountLine(std::string_view line, const std::string& folder)
{
    std::istringstream fields{std::string(line)};
    std::string device, mountPoint, type;
    if (!(fields >> device >> mountPoint >> type))
        return DriveKind::None;
    if (UnescapeMountField(mountPoint) != folder)
        return DriveKind::None;
    if (type == "iso9660" || type == "udf")
        return DriveKind::CdRom;
    if (type == "nfs" || type == "nfs4" || type == "cifs" || type == "smb3" || type == "smbfs" || type == "9p" ||
        type == "fuse.sshfs" || type == "sshfs" || type == "davfs")
        return DriveKind::Network;
    if (type == "tmpfs" || type == "ramfs")
        return DriveKind::RamDisk;
    if (StartsWith(device, "/dev/fd"))
        return DriveKind::Floppy;
    if (StartsWith(folder, "/media/") || StartsWith(folder, "/run/media/"))
        return DriveKind::Removable;
    return DriveKind::Fixed;
}

DriveKind DriveKindOf(const std::string& folder)
{
    std::ifstream mounts("/proc/self/mounts");
    std::string line;
    DriveKind kind = DriveKind::None;
    // The last mount at a place hides the earlier ones.
    while (std::getline(mounts, line))
        if (const DriveKind found = DriveKindFromMountLine(line, folder); found != DriveKind::None)
            kind = found;
    return kind;
}

} // namespace platform
