#include "core/library/FileOps.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/library/DemoFiles.h"
#include "core/protocol/ProtocolTable.h"
#include "platform/FileRename.h"
#include "platform/FileSystem.h"
#include "platform/RegularFile.h"

namespace core {
namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return text;
}

std::string UnescapeMountField(const std::string& field)
{
    std::string text;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3' &&
            field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
            text += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

bool LiesUnder(const std::string& folder, const std::string& mountPoint)
{
    if (mountPoint == "/")
        return !folder.empty() && folder.front() == '/';
    return folder == mountPoint ||
           (folder.size() > mountPoint.size() && folder.compare(0, mountPoint.size(), mountPoint) == 0 &&
            folder[mountPoint.size()] == '/');
}

} // namespace

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && folder.back() == kPathSeparator)
        return folder + name;
    return folder + kPathSeparator + name;
}

bool IsPlainEntryName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find(kPathSeparator) == std::string::npos &&
           name.find('\0') == std::string::npos;
}

std::string ProtocolFitName(const std::string& name, const std::string& protocol, const std::string& currentName)
{
    // The reader picks a demo's format by its extension, so a name that already has one the
    // program reads is the user's choice, and adding another would hide the demo from the reader.
    if (IsDemoExtension(LowerExtension(name)))
        return name;
    // Only a modern reader gives a demo a protocol of 66 or more, and it read this demo by its
    // extension: that extension is the one that keeps the demo readable (also when the demo was
    // too damaged to tell its protocol).
    const size_t dot = currentName.rfind('.');
    if (dot != std::string::npos && IsModernDemoExtension(LowerExtension(currentName)))
        return name + currentName.substr(dot);
    // "43" and "45" are below 46, "N/A" is not below 47.
    if (ProtocolColumnBelow(protocol, kProtocolBetween117And127))
        return name + ".dm3";
    if (!ProtocolColumnBelow(protocol, kProtocolFirst127))
        return name + ".dm_48";
    return name;
}

DemoRenameResult RenameDemo(const std::string& folder, const std::string& oldName, const std::string& newName,
                            const std::string& protocol)
{
    DemoRenameResult result;
    result.name = oldName;
    if (!IsPlainEntryName(newName))
        return result;
    if (newName != oldName && !platform::RenameWithoutReplacing(JoinPath(folder, oldName), JoinPath(folder, newName)))
        return result;
    result.renamed = true;
    result.name = newName;
    const std::string fitting = ProtocolFitName(newName, protocol, oldName);
    if (fitting != newName && platform::RenameWithoutReplacing(JoinPath(folder, newName), JoinPath(folder, fitting)))
        result.name = fitting;
    return result;
}

bool DeleteDemoFile(const std::string& path)
{
    return platform::RemoveFile(path);
}

std::vector<std::string> SubfolderNames(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        std::error_code ignored;
        if (!name.empty() && name.front() != '.' && it->is_directory(ignored))
            names.push_back(name);
    }
    return names;
}

bool IsInGameDirectory(const std::string& folder, const std::string& gameDirectory)
{
    if (gameDirectory.empty())
        return false;
    const std::string lowerFolder = Lower(folder);
    std::string lowerGame = Lower(gameDirectory);
    if (lowerGame.size() > 1 && lowerGame.back() == kPathSeparator)
        lowerGame.pop_back();
    // Whole folder names only: "/games/q3extra" is not inside "/games/q3".
    return lowerFolder == lowerGame ||
           (lowerFolder.compare(0, lowerGame.size(), lowerGame) == 0 &&
            (lowerGame.back() == kPathSeparator || lowerFolder[lowerGame.size()] == kPathSeparator));
}

std::string NewFolderName(const std::vector<std::string>& existing, bool inGameDirectory)
{
    std::vector<std::string> taken;
    taken.reserve(existing.size());
    for (const std::string& name : existing)
        taken.push_back(Lower(name));
    const auto free = [&](const std::string& name) {
        return std::find(taken.begin(), taken.end(), Lower(name)) == taken.end();
    };
    const std::string base = inGameDirectory ? "NewDemoFolder" : "New Demo Folder";
    if (free(base))
        return base;
    for (size_t n = 2;; ++n) {
        const std::string name =
            inGameDirectory ? base + "(" + std::to_string(n) + ")" : base + " (" + std::to_string(n) + ")";
        if (free(name))
            return name;
    }
}

std::string CreateNewFolder(const std::string& folder, const std::string& gameDirectory)
{
    const std::string name = NewFolderName(SubfolderNames(folder), IsInGameDirectory(folder, gameDirectory));
    if (!platform::MakeFolder(JoinPath(folder, name)))
        return {};
    return name;
}

FolderRenameResult RenameFolder(const std::string& nodePath, const std::string& parentPath, bool isRoot,
                                std::string newName)
{
    FolderRenameResult result;
    if (newName.size() > 1 && newName.back() == kPathSeparator)
        newName.pop_back();
    if (!IsPlainEntryName(newName) || parentPath.empty() || parentPath == nodePath)
        return result;
    const std::string target = JoinPath(parentPath, newName);
    if (target != nodePath && !platform::RenameWithoutReplacing(nodePath, target))
        return result;
    result.renamed = true;
    result.newPath = target;
    result.nodeText = isRoot ? target : newName;
    return result;
}

bool RemoveEmptyFolder(const std::string& path)
{
    return platform::RemoveFolder(path);
}

MoveOutcome MoveDemoFile(const std::string& from, const std::string& to)
{
    if (platform::RenameWithoutReplacing(from, to))
        return {MoveStatus::Moved, 0};
    const int error = errno;
    if (error == EEXIST || (error != EXDEV && platform::Exists(to) && platform::Exists(from)))
        return {MoveStatus::TargetExists, EEXIST};
    if (error != EXDEV)
        return {MoveStatus::Failed, error};

    // Another file system: copy, put the copy in place, then remove the original.
    if (platform::Exists(to))
        return {MoveStatus::TargetExists, EEXIST};
    const std::string folder = std::filesystem::path(to).parent_path().string();
    const std::string copy = platform::CopyBeside(from, folder.empty() ? std::string(".") : folder);
    if (copy.empty())
        return {MoveStatus::Failed, errno};
    if (!platform::RenameWithoutReplacing(copy, to)) {
        const int placeError = errno;
        platform::RemoveFile(copy);
        return placeError == EEXIST ? MoveOutcome{MoveStatus::TargetExists, EEXIST}
                                    : MoveOutcome{MoveStatus::Failed, placeError};
    }
    if (!platform::RemoveFile(from)) {
        const int removeError = errno;
        platform::RemoveFile(to); // the original stays the one copy
        return {MoveStatus::Failed, removeError};
    }
    return {MoveStatus::Moved, 0};
}

Result<Done, MoveError> MoveDemos(const std::function<bool(MoveItem&)>& next, const std::function<void()>& moved,
                                  const std::string& target, MoveProgress& progress, bool replaceFirst)
{
    MoveItem item;
    for (bool replace = replaceFirst; next(item); replace = false) {
        const std::string from = JoinPath(item.folder, item.name);
        const std::string to = JoinPath(target, item.name);
        for (;;) {
            const MoveOutcome outcome = MoveDemoFile(from, to);
            if (outcome.status == MoveStatus::Moved) {
                ++progress.moved;
                progress.lastMoveSucceeded = true;
                moved();
                break;
            }
            if (outcome.status == MoveStatus::Failed || platform::SameFile(from, to)) {
                // Deleting a "target" that is the demo itself would lose it.
                const int error = outcome.status == MoveStatus::Failed ? outcome.error : EEXIST;
                return Failure<MoveError>{MoveError::Failed,
                                          std::string(kMoveErrorText) + "\r\nError: " + std::to_string(error)};
            }
            if (!replace)
                return Failure<MoveError>{MoveError::TargetExists, "Overwrite file ?\r\n" + to};
            if (!DeleteDemoFile(to))
                return Failure<MoveError>{MoveError::TargetNotDeleted, kMoveErrorText};
            replace = false;
        }
    }
    return Done{};
}

DriveState DriveStateFromMounts(const std::string& mounts, const std::string& folder)
{
    DriveState state;
    std::istringstream lines(mounts);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string device, place, type, options;
        if (!(fields >> device >> place >> type))
            continue;
        fields >> options;
        const std::string mountPoint = UnescapeMountField(place);
        // The longest mount point wins; of two at the same place the later one hides the earlier.
        if (!LiesUnder(folder, mountPoint) || mountPoint.size() < state.mountPoint.size())
            continue;
        state.mountPoint = mountPoint;
        state.kind = platform::DriveKindFromMountLine(line, mountPoint);
        state.readOnly = false;
        std::istringstream flags(options);
        for (std::string flag; std::getline(flags, flag, ',');)
            state.readOnly = state.readOnly || flag == "ro";
    }
    if (state.kind == platform::DriveKind::CdRom)
        state.readOnly = true;
    return state;
}

DriveState DriveStateOf(const std::string& folder)
{
    std::string mounts;
    {
        std::ifstream in("/proc/self/mounts");
        std::ostringstream text;
        text << in.rdbuf();
        mounts = text.str();
    }
    const std::string real = platform::RealPath(folder);
    DriveState state = DriveStateFromMounts(mounts, real);
    const platform::FileSystemState fileSystem = platform::FileSystemStateOf(real);
    if (fileSystem.readable) {
        state.readable = true;
        state.readOnly = state.readOnly || fileSystem.readOnly;
    }
    return state;
}

} // namespace core
