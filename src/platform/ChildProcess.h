#pragma once
// A helper program run to its end (an X server of its own, the game capturing a video, ffmpeg):
// started in a process group of its own with extra environment variables, its output into a file,
// polled without blocking and ended with the whole group. Unlike GameProcess nothing here is
// shared with the rest of the program: each capture owns its processes.
#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

struct ChildStart {
    std::string executable; // a full path
    std::vector<std::string> arguments;
    std::vector<std::pair<std::string, std::string>> environment; // set on top of this process's
    std::string workingDirectory;                                 // empty: this process's
    std::string outputFile; // standard output and error appended here; empty: discarded
    bool readyPipe = false; // file descriptor 3 of the child is a pipe that ReadReady reads
};

class ChildProcess {
public:
    ChildProcess() = default;
    // Ends a child still running: nothing a capture starts outlives it.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Start(const ChildStart& start, std::string& error);
    // Reaps the child when it has ended.
    bool Running();
    // The exit code once it ended normally; nullopt while it runs or after a signal.
    std::optional<int> ExitCode() const { return m_exitCode; }
    // The text the child wrote to its ready pipe up to its first line end, or up to its closing;
    // nullopt when nothing came within the limit.
    std::optional<std::string> ReadReady(std::chrono::milliseconds limit);
    // SIGTERM to the group, SIGKILL after the grace time; waits for the child.
    void Terminate(std::chrono::milliseconds grace = std::chrono::milliseconds(3000));
    int Pid() const { return m_pid; }

private:
    int m_pid = -1;
    int m_ready = -1;
    std::optional<int> m_exitCode;
};

// Free bytes for an unprivileged user on the file system of the path; nullopt when it cannot be
// told.
std::optional<unsigned long long> FreeDiskSpace(const std::string& path);

} // namespace platform
