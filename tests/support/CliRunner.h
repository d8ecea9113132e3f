#pragma once
// Runs velmora-cli as a user would, in the C locale and UTC so that dates read the same everywhere.
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace clitest {

namespace fs = std::filesystem;

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

inline Result RunCli(const std::string& arguments)
{
    const fs::path errFile = fs::temp_directory_path() / ("velmora-cli-err-" + std::to_string(getpid()));
    const std::string command =
        "LC_ALL=C TZ=UTC " + std::string(VELMORA_CLI_PATH) + " " + arguments + " 2>" + errFile.string();
    Result result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return result;
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        result.out.append(buffer.data(), n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err(errFile);
    std::stringstream text;
    text << err.rdbuf();
    result.err = text.str();
    fs::remove(errFile);
    return result;
}

inline std::string Quote(const fs::path& path)
{
    return "'" + path.string() + "'";
}

} // namespace clitest
