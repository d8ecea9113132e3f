#pragma once
// What kind of drive a folder is the root of. Windows tells drive letters apart by type; on Linux
// the nearest thing is a mount point and the file system mounted there.
#include <string>
#include <string_view>

namespace platform {

enum class DriveKind { None, Floppy, Removable, Fixed, Network, CdRom, RamDisk };

// The kind of the file system mounted exactly at `folder`; None when no file system is mounted there.
DriveKind DriveKindOf(const std::string& folder);

// Classifies one line of the mount table ("device mountpoint type ..."), for `folder`.
DriveKind DriveKindFromMountLine(std::string_view line, const std::string& folder);

} // namespace platform
