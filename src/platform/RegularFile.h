#pragma once
// Opening files the program did not create itself (demos, archives, scan caches, play lists,
// description files, the configuration, column schemes) only when they are regular files. A named
// pipe under such a name would block the open until some writer appears and every read after it,
// and a device may act on being opened; both are refused before anything is read.
#include <cstdio>
#include <string>

namespace platform {

// A read-only descriptor (close-on-exec, blocking reads) of the regular file at `path`, following
// symbolic links; -1 with errno set when it cannot be opened or is no regular file (EISDIR for a
// folder, ENXIO for pipes, devices and sockets).
int OpenRegularFileForReading(const std::string& path);

// The same as a stdio stream in binary read mode; nullptr when refused.
std::FILE* OpenRegularFileStream(const std::string& path);

// A stdio stream in binary write mode on `path`, created when missing and emptied otherwise, as
// fopen(path, "wb") does; but an existing pipe, device or folder is refused (nullptr) without
// waiting for a reader and without being written to.
std::FILE* CreateRegularFileStream(const std::string& path);

} // namespace platform
