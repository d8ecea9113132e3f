#include "platform/FileSystem.h"

#include <fcntl.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>

#include "platform/FileRename.h"
#include "platform/RegularFile.h"

namespace platform {
namespace {

FileStatus FromStat(const struct stat& st)
{
    FileStatus status;
    status.isDirectory = S_ISDIR(st.st_mode);
    status.isRegular = S_ISREG(st.st_mode);
    status.size = static_cast<uint64_t>(st.st_size);
    status.modified = static_cast<int64_t>(st.st_mtime);
    return status;
}

// Writes all of `size` bytes; false on a failed write.
bool WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

} // namespace

std::optional<FileStatus> StatusOf(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return FromStat(st);
}

std::optional<FileStatus> StatusOf(std::FILE* file)
{
    struct stat st {};
    if (::fstat(::fileno(file), &st) != 0)
        return std::nullopt;
    return FromStat(st);
}

bool IsRegularFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsExecutableFile(const std::string& path)
{
    return IsRegularFile(path) && ::access(path.c_str(), X_OK) == 0;
}

bool IsWritableFolder(const std::string& folder)
{
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

bool Exists(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

bool SameFile(const std::string& a, const std::string& b)
{
    struct stat first {
    }, second{};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

bool RemoveFile(const std::string& path)
{
    return ::unlink(path.c_str()) == 0;
}

bool RemoveFolder(const std::string& path)
{
    return ::rmdir(path.c_str()) == 0;
}

bool MakeFolder(const std::string& path)
{
    return ::mkdir(path.c_str(), 0777) == 0;
}

std::string CopyBeside(const std::string& from, const std::string& folder)
{
    const int in = OpenRegularFileForReading(from);
    if (in < 0)
        return {};
    struct stat info {};
    if (::fstat(in, &info) != 0) {
        const int error = errno ? errno : EINVAL;
        ::close(in);
        errno = error;
        return {};
    }
    std::string temp = folder;
    if (temp.empty() || temp.back() != '/')
        temp += '/';
    temp += ".vmrmove-XXXXXX";
    const int out = ::mkostemp(temp.data(), O_CLOEXEC);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        errno = error;
        return {};
    }
    char buffer[1 << 16];
    bool ok = true;
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        if (!WriteAll(out, buffer, static_cast<size_t>(got))) {
            ok = false;
            break;
        }
    }
    if (ok) {
        const struct timespec times[2] = {info.st_atim, info.st_mtim};
        ::fchmod(out, info.st_mode & 07777);
        ::futimens(out, times);
        ok = ::fsync(out) == 0;
    }
    const int error = errno;
    ok = ::close(out) == 0 && ok;
    ::close(in);
    if (!ok) {
        ::unlink(temp.c_str());
        errno = error ? error : EIO;
        return {};
    }
    return temp;
}

namespace {

// The bytes in a new hidden file beside `target`, flushed to the disk, with the permissions of the
// file at `target` when there is one, else the usual ones for the user's umask; its path, or "".
std::string WriteBeside(const std::string& target, std::string_view bytes)
{
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string pattern = folder + "." + name + ".XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return {};
    // mkstemp makes the file private.
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) {
        ::fchmod(fd, old.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    const bool written = WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        ::unlink(pattern.c_str());
        return {};
    }
    return pattern;
}

} // namespace

bool ReplaceFile(const std::string& target, std::string_view bytes)
{
    const std::string written = WriteBeside(target, bytes);
    if (written.empty())
        return false;
    if (std::rename(written.c_str(), target.c_str()) != 0) {
        ::unlink(written.c_str());
        return false;
    }
    return true;
}

bool WriteNewFile(const std::string& target, std::string_view bytes)
{
    if (Exists(target))
        return false;
    const std::string written = WriteBeside(target, bytes);
    if (written.empty())
        return false;
    if (!RenameWithoutReplacing(written, target)) {
        ::unlink(written.c_str());
        return false;
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::string& bytes)
{
    const int fd = OpenRegularFileForReading(path);
    if (fd < 0)
        return false;
    bytes.clear();
    char buffer[65536];
    bool ok = true;
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            ok = false; // a read error
            break;
        }
        bytes.append(buffer, static_cast<size_t>(got));
    }
    ::close(fd);
    return ok;
}

unsigned CurrentUserId()
{
    return static_cast<unsigned>(::getuid());
}

std::string HomeFolderOfUser()
{
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return {};
}

std::string RealPath(const std::string& path)
{
    std::string real = path;
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
        real = resolved;
        ::free(resolved);
    }
    return real;
}

FileSystemState FileSystemStateOf(const std::string& path)
{
    FileSystemState state;
    struct statvfs info {};
    if (::statvfs(path.c_str(), &info) == 0) {
        state.readable = true;
        state.readOnly = (info.f_flag & ST_RDONLY) != 0;
    }
    return state;
}

} // namespace platform
