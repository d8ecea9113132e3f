#include "platform/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

extern char** environ;

namespace platform {
namespace {

std::vector<std::string> EnvironmentWith(const std::vector<std::pair<std::string, std::string>>& extra)
{
    std::vector<std::string> result;
    for (char** entry = environ; entry && *entry; ++entry) {
        const std::string text = *entry;
        bool replaced = false;
        for (const auto& [name, value] : extra)
            replaced = replaced || text.compare(0, name.size() + 1, name + "=") == 0;
        if (!replaced)
            result.push_back(text);
    }
    for (const auto& [name, value] : extra)
        result.push_back(name + "=" + value);
    return result;
}

std::vector<char*> Pointers(std::vector<std::string>& texts)
{
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

ChildProcess::~ChildProcess()
{
    Terminate();
}

bool ChildProcess::Start(const ChildStart& start, std::string& error)
{
    Terminate();
    m_exitCode.reset();
    int readyPipe[2] = {-1, -1};
    if (start.readyPipe && ::pipe2(readyPipe, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    const std::string output = start.outputFile.empty() ? "/dev/null" : start.outputFile;
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    if (start.readyPipe)
        posix_spawn_file_actions_adddup2(&actions, readyPipe[1], 3);
    if (!start.workingDirectory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, start.workingDirectory.c_str());
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGINT);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::vector<std::string> words{start.executable};
    words.insert(words.end(), start.arguments.begin(), start.arguments.end());
    std::vector<std::string> environment = EnvironmentWith(start.environment);
    std::vector<char*> argv = Pointers(words);
    std::vector<char*> envp = Pointers(environment);
    pid_t pid = -1;
    const int result = posix_spawn(&pid, start.executable.c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (start.readyPipe)
        ::close(readyPipe[1]);
    if (result != 0) {
        if (start.readyPipe)
            ::close(readyPipe[0]);
        error = start.executable + ": " + std::strerror(result);
        return false;
    }
    m_pid = pid;
    m_ready = start.readyPipe ? readyPipe[0] : -1;
    return true;
}

bool ChildProcess::Running()
{
    if (m_pid <= 0)
        return false;
    int status = 0;
    const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
    if (done == 0)
        return true;
    if (done == m_pid && WIFEXITED(status))
        m_exitCode = WEXITSTATUS(status);
    m_pid = -1;
    return false;
}

std::optional<std::string> ChildProcess::ReadReady(std::chrono::milliseconds limit)
{
    if (m_ready < 0)
        return std::nullopt;
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (true) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return std::nullopt;
        pollfd wait{m_ready, POLLIN, 0};
        if (::poll(&wait, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char buffer[64];
        const ssize_t got = ::read(m_ready, buffer, sizeof buffer);
        if (got <= 0)
            return text.empty() ? std::nullopt : std::optional<std::string>(text);
        text.append(buffer, static_cast<size_t>(got));
        if (const size_t end = text.find('\n'); end != std::string::npos)
            return text.substr(0, end);
    }
}

void ChildProcess::Terminate(std::chrono::milliseconds grace)
{
    if (m_ready >= 0) {
        ::close(m_ready);
        m_ready = -1;
    }
    if (!Running())
        return;
    ::kill(-m_pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + grace;
    while (Running()) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(-m_pid, SIGKILL);
            int status = 0;
            ::waitpid(m_pid, &status, 0);
            m_pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::optional<unsigned long long> FreeDiskSpace(const std::string& path)
{
    struct statvfs info {};
    if (::statvfs(path.c_str(), &info) != 0)
        return std::nullopt;
    return static_cast<unsigned long long>(info.f_bavail) * info.f_frsize;
}

} // namespace platform
