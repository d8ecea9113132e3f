#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

int OpenRegularFileForReading(const std::string& path)
{
    // O_NONBLOCK lets the open of a pipe return at once instead of waiting for a writer; the type
    // is then checked on what was really opened, so a file swapped for a pipe after a directory
    // listing is caught as well.
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int error = S_ISDIR(st.st_mode) ? EISDIR : ENXIO;
        ::close(fd);
        errno = error;
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

std::FILE* OpenRegularFileStream(const std::string& path)
{
    const int fd = OpenRegularFileForReading(path);
    if (fd < 0)
        return nullptr;
    std::FILE* stream = ::fdopen(fd, "rb");
    if (!stream)
        ::close(fd);
    return stream;
}

std::FILE* CreateRegularFileStream(const std::string& path)
{
    int fd;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return nullptr; // a pipe without a reader ends here (ENXIO)
    struct stat st {};
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 ||
        ::ftruncate(fd, 0) != 0) {
        const int error = S_ISREG(st.st_mode) ? errno : ENXIO;
        ::close(fd);
        errno = error;
        return nullptr;
    }
    std::FILE* stream = ::fdopen(fd, "wb");
    if (!stream)
        ::close(fd);
    return stream;
}

} // namespace platform
