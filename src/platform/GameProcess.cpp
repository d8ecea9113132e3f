#include "platform/GameProcess.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>
#include <type_traits>

extern char** environ;

namespace platform {

static_assert(std::is_same_v<ProcessId, pid_t>, "ProcessId must hold every process number");

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kPollInterval{20};

bool EndsWithExe(const std::string& path)
{
    if (path.size() < 4)
        return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return tail == ".exe";
}

// Writes without letting a reader that went away kill the program with SIGPIPE: the signal is
// blocked for this thread during the write and a pending one raised by it is taken back.
ssize_t WriteWithoutSigpipe(int fd, const char* data, size_t size)
{
    sigset_t pipeSignal, previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    sigset_t pendingBefore;
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    sigpending(&pendingBefore);
    ssize_t written;
    do
        written = ::write(fd, data, size);
    while (written < 0 && errno == EINTR);
    const int error = errno;
    if (written < 0 && error == EPIPE && !sigismember(&pendingBefore, SIGPIPE)) {
        const timespec noWait{};
        sigtimedwait(&pipeSignal, nullptr, &noWait);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    errno = error;
    return written;
}

// A line goes out in one write so that it cannot be interleaved or cut: writes up to PIPE_BUF
// bytes are atomic on pipes and FIFOs, and a full pipe refuses the whole line.
bool WriteLine(int fd, std::string_view text)
{
    if (text.size() > PIPE_BUF)
        return false;
    return WriteWithoutSigpipe(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

// Opens a console FIFO for writing without ever waiting: with nobody reading it the open fails at
// once (ENXIO). Anything but a FIFO under that name is left alone, so a stale regular file can
// never be written into.
int OpenPipeFile(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISFIFO(info.st_mode))
        return -1;
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return -1;
    if (::fstat(fd, &info) != 0 || !S_ISFIFO(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool HasReader(const std::string& path)
{
    const int fd = OpenPipeFile(path);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

void SleepAndPump(const Pump& pump)
{
    if (pump)
        pump();
    std::this_thread::sleep_for(kPollInterval);
}

// Polls until the condition holds or the deadline passes; the condition is checked once more at
// the end so that a slow pump cannot turn success into failure.
template <typename Condition> bool WaitFor(Condition condition, Clock::time_point deadline, const Pump& pump)
{
    while (!condition()) {
        if (Clock::now() >= deadline)
            return condition();
        SleepAndPump(pump);
    }
    return true;
}

class SpawnSetup {
public:
    SpawnSetup()
    {
        posix_spawn_file_actions_init(&m_actions);
        posix_spawnattr_init(&m_attributes);
    }
    ~SpawnSetup()
    {
        posix_spawn_file_actions_destroy(&m_actions);
        posix_spawnattr_destroy(&m_attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    posix_spawn_file_actions_t m_actions;
    posix_spawnattr_t m_attributes;
};

} // namespace

struct GameProcess::ChildEnd {
    std::mutex mutex;
    std::optional<int> status;
};

namespace {

// A game that ends by itself must not stay a zombie until the program next looks at it: a thread
// waits for it and keeps its exit status. It outlives this object when the game does (a game left
// running at program end), and ends with the game or with the program.
void WaitForEnd(pid_t pid, std::shared_ptr<GameProcess::ChildEnd> end)
{
    std::thread([pid, end = std::move(end)] {
        int status = 0;
        pid_t result;
        do
            result = ::waitpid(pid, &status, 0);
        while (result < 0 && errno == EINTR);
        const std::lock_guard lock(end->mutex);
        end->status = result == pid ? status : -1;
    }).detach();
}

} // namespace

std::optional<std::string> FindProgramInPath(const std::string& name, const std::string& searchPath)
{
    size_t start = 0;
    while (start <= searchPath.size()) {
        size_t end = searchPath.find(':', start);
        if (end == std::string::npos)
            end = searchPath.size();
        const std::string folder = searchPath.substr(start, end - start);
        if (!folder.empty()) {
            const std::string candidate = folder + "/" + name;
            struct stat info {};
            if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
                ::access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        start = end + 1;
    }
    return std::nullopt;
}

std::optional<std::vector<std::string>> StartWords(const GameStart& start, const std::string& searchPath,
                                                   std::string& error)
{
    // The working directory changes before the program is looked up, so a relative name would
    // point somewhere else.
    std::error_code ec;
    const std::string executable = std::filesystem::absolute(start.executable, ec).string();
    std::vector<std::string> words;
    if (EndsWithExe(executable)) {
        const std::optional<std::string> wine = FindProgramInPath("wine", searchPath);
        if (!wine) {
            error = "Wine is not installed: it is needed to run " + executable;
            return std::nullopt;
        }
        words.push_back(*wine);
    }
    words.push_back(executable);
    words.insert(words.end(), start.arguments.begin(), start.arguments.end());
    return words;
}

std::vector<ProcessId> ProcessesHolding(const std::string& path)
{
    std::vector<ProcessId> holders;
    struct stat target {};
    if (::stat(path.c_str(), &target) != 0)
        return holders;
    DIR* processes = ::opendir("/proc");
    if (!processes)
        return holders;
    const pid_t self = ::getpid();
    while (const dirent* process = ::readdir(processes)) {
        char* end = nullptr;
        const long pid = std::strtol(process->d_name, &end, 10);
        if (pid <= 0 || *end != '\0' || pid == self)
            continue;
        const std::string fdFolder = "/proc/" + std::string(process->d_name) + "/fd";
        DIR* descriptors = ::opendir(fdFolder.c_str());
        if (!descriptors)
            continue;
        while (const dirent* descriptor = ::readdir(descriptors)) {
            struct stat info {};
            const std::string link = fdFolder + "/" + descriptor->d_name;
            if (descriptor->d_name[0] != '.' && ::stat(link.c_str(), &info) == 0 && info.st_dev == target.st_dev &&
                info.st_ino == target.st_ino) {
                holders.push_back(static_cast<pid_t>(pid));
                break;
            }
        }
        ::closedir(descriptors);
    }
    ::closedir(processes);
    return holders;
}

GameProcess::~GameProcess()
{
    if (m_input >= 0)
        ::close(m_input);
}

bool GameProcess::Start(const GameStart& start, std::string& error)
{
    // A game still running is let go; its waiting thread reaps it when it ends.
    m_child = -1;
    m_end.reset();
    if (m_input >= 0) {
        ::close(m_input);
        m_input = -1;
    }

    const char* pathVariable = std::getenv("PATH");
    const std::optional<std::vector<std::string>> words =
        StartWords(start, pathVariable ? pathVariable : "/usr/local/bin:/usr/bin:/bin", error);
    if (!words)
        return false;
    std::vector<char*> argv;
    for (const std::string& word : *words)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);

    int input[2];
    if (::pipe2(input, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        return false;
    }
    SpawnSetup setup;
    posix_spawn_file_actions_adddup2(&setup.m_actions, input[0], STDIN_FILENO);
    if (!start.workingDirectory.empty())
        posix_spawn_file_actions_addchdir_np(&setup.m_actions, start.workingDirectory.c_str());
    // Its own process group: a terminal's Ctrl+C to the program does not reach the game, and the
    // game's helpers (Wine's, a launcher's) can be ended together.
    posix_spawnattr_setpgroup(&setup.m_attributes, 0);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (const int signal : {SIGPIPE, SIGINT, SIGQUIT, SIGHUP, SIGTERM, SIGCHLD, SIGUSR1, SIGUSR2})
        sigaddset(&defaults, signal);
    posix_spawnattr_setsigmask(&setup.m_attributes, &none);
    posix_spawnattr_setsigdefault(&setup.m_attributes, &defaults);
    posix_spawnattr_setflags(&setup.m_attributes,
                             POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    const int result = ::posix_spawn(&pid, argv[0], &setup.m_actions, &setup.m_attributes, argv.data(), environ);
    ::close(input[0]);
    if (result != 0) {
        ::close(input[1]);
        error = std::string(argv[0]) + ": " + std::strerror(result);
        return false;
    }
    // A game that stops reading must not be able to block the program: a full pipe refuses the line.
    ::fcntl(input[1], F_SETFL, ::fcntl(input[1], F_GETFL) | O_NONBLOCK);
    m_child = pid;
    m_underWine = EndsWithExe(start.executable);
    m_executable = start.executable;
    m_input = input[1];
    m_end = std::make_shared<ChildEnd>();
    WaitForEnd(pid, m_end);
    m_lastStatus.reset();
    return true;
}

bool GameProcess::ChildAlive()
{
    if (m_child <= 0 || !m_end)
        return false;
    {
        const std::lock_guard lock(m_end->mutex);
        if (!m_end->status)
            return true;
        m_lastStatus = *m_end->status;
    }
    m_child = -1;
    m_end.reset();
    if (m_input >= 0) {
        ::close(m_input);
        m_input = -1;
    }
    return false;
}

ProcessId GameProcess::ChildPid()
{
    return ChildAlive() ? m_child : -1;
}

std::string GameProcess::ChildExecutable()
{
    return ChildAlive() ? m_executable : std::string();
}

bool GameProcess::PipeReaderExists() const
{
    for (const std::string& path : m_pipeFiles)
        if (HasReader(path))
            return true;
    return false;
}

bool GameProcess::SendThroughPipeFiles(std::string_view text) const
{
    for (const std::string& path : m_pipeFiles) {
        const int fd = OpenPipeFile(path);
        if (fd < 0)
            continue;
        const bool sent = WriteLine(fd, text);
        ::close(fd);
        if (sent)
            return true;
    }
    return false;
}

bool GameProcess::IsRunning()
{
    return ChildAlive() || PipeReaderExists();
}

bool GameProcess::TakesConsoleLines()
{
    return (ChildAlive() && !m_underWine) || PipeReaderExists();
}

bool GameProcess::SendLine(std::string_view line)
{
    const std::string text = std::string(line) + "\n";
    if (ChildAlive() && !m_underWine && m_input >= 0 && WriteLine(m_input, text))
        return true;
    return SendThroughPipeFiles(text);
}

bool GameProcess::Close(std::chrono::milliseconds limit, const Pump& pump)
{
    const Clock::time_point start = Clock::now();
    const Clock::time_point deadline = start + limit;
    const Clock::time_point politeDeadline = start + limit / 2;

    if (ChildAlive()) {
        const pid_t child = m_child;
        // A game under Wine cannot read the quit; it is ended at once.
        const bool asked = !m_underWine && SendLine("quit");
        if (!asked || !WaitFor([&] { return !ChildAlive(); }, politeDeadline, pump)) {
            ::kill(-child, SIGTERM);
            WaitFor([&] { return !ChildAlive(); }, deadline, pump);
        }
    }
    if (PipeReaderExists()) {
        SendThroughPipeFiles("quit\n");
        if (!WaitFor([&] { return !PipeReaderExists(); }, std::max(politeDeadline, Clock::now() + limit / 4), pump)) {
            for (const std::string& path : m_pipeFiles)
                for (const pid_t holder : ProcessesHolding(path))
                    ::kill(holder, SIGTERM);
            WaitFor([&] { return !PipeReaderExists(); }, std::max(deadline, Clock::now() + limit / 4), pump);
        }
    }
    return !IsRunning();
}

bool GameProcess::WaitUntilRunning(std::chrono::milliseconds limit, const Pump& pump)
{
    return WaitFor([&] { return IsRunning(); }, Clock::now() + limit, pump);
}

GameProcess& Game()
{
    static GameProcess game;
    return game;
}

} // namespace platform
