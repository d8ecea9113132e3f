#pragma once
// The game as a separate process on Linux: start it, tell whether it runs, hand it console lines,
// close it, wait for it.
//
// Windows programs find the game's windows and type into its console. Here a game that this
// object started reads console lines from a pipe on its standard input (ioquake3 and the engines
// derived from it read their standard input when it is not a terminal). A game started some other
// way is reached through the console FIFO that ioquake3 makes when it runs with
// "+set com_pipefile <name>": any process that holds such a FIFO open for reading counts as a
// running game. Nothing here ever blocks on the game: pipes are written without blocking, and
// every wait has a time limit.
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A process number, as the system counts them.
using ProcessId = int;

struct GameStart {
    std::string executable; // the game's program; a Windows ".exe" runs through Wine
    std::vector<std::string> arguments;
    std::string workingDirectory;
};

// The words that start the program: the executable itself, or "wine" and the executable when it is
// a Windows program. nullopt with a reason when Wine is needed but not installed.
std::optional<std::vector<std::string>> StartWords(const GameStart& start, const std::string& searchPath,
                                                   std::string& error);
// The first executable file of that name in the folders of a PATH-style list.
std::optional<std::string> FindProgramInPath(const std::string& name, const std::string& searchPath);

// Processes (other than this one) that hold the file open, found through /proc. Only processes of
// the same user can be seen, which is all a user's own game can be.
std::vector<ProcessId> ProcessesHolding(const std::string& path);

using Pump = std::function<void()>;

class GameProcess {
public:
    GameProcess() = default;
    // Leaves the game running: it only loses its console pipe.
    ~GameProcess();
    GameProcess(const GameProcess&) = delete;
    GameProcess& operator=(const GameProcess&) = delete;

    // Starts the game in its own process group, its standard input a pipe that only this object
    // writes to. A game this object started before and that still runs is let go (its pipe is
    // closed). Every game started here is reaped as soon as it ends, whether or not anybody asks
    // about it. False with a reason when the program cannot be started.
    bool Start(const GameStart& start, std::string& error);

    // The console FIFOs a game not started here may have made, tried in this order.
    void SetPipeFiles(std::vector<std::string> paths) { m_pipeFiles = std::move(paths); }

    // The game started here still runs, or some process reads one of the console FIFOs.
    bool IsRunning();
    // Hands one console line (without line end) to the game: through the pipe of the game started
    // here, else through the first console FIFO that has a reader. False when nobody took it, and
    // always false for a game under Wine without a console FIFO: Windows builds read their own
    // console window, never their standard input, so a line written there is lost.
    bool SendLine(std::string_view line);
    // A running game that console lines reach: false when the only game is one started here under
    // Wine.
    bool TakesConsoleLines();
    // Asks the game to quit through its console; a game still there after half the time limit
    // gets SIGTERM. True when no game runs afterwards.
    bool Close(std::chrono::milliseconds limit, const Pump& pump = {});
    // True as soon as a game runs; false when none did within the time limit.
    bool WaitUntilRunning(std::chrono::milliseconds limit, const Pump& pump = {});

    // The process started here, while it runs; -1 otherwise.
    ProcessId ChildPid();
    // The program of the game started here, while it runs; empty otherwise.
    std::string ChildExecutable();
    // Exit status of the last game started here, once it ended (as waitpid reports it).
    std::optional<int> LastExitStatus() const { return m_lastStatus; }

    // How the last game started here ends: filled by the thread that waits for it.
    struct ChildEnd;

private:
    bool ChildAlive();
    bool PipeReaderExists() const;
    bool SendThroughPipeFiles(std::string_view text) const;

    ProcessId m_child = -1;
    bool m_underWine = false;
    std::string m_executable;
    int m_input = -1; // write end of the child's standard input
    std::shared_ptr<ChildEnd> m_end;
    std::vector<std::string> m_pipeFiles;
    std::optional<int> m_lastStatus;
};

// The program's one game.
GameProcess& Game();

} // namespace platform
