#pragma once
// Changes to the demo collection on disk that need no window: renaming a demo so that its
// extension fits its protocol, naming and creating new folders, renaming and removing folders,
// moving demos into another folder, and telling what kind of drive a folder lies on.
//
// Nothing here ever replaces an existing file or folder by accident: a rename or a move whose
// target exists fails, and a move between file systems leaves every demo either at its old or at
// its new place, never at both and never at neither.
#include <functional>
#include <string>
#include <vector>

#include "core/common/Result.h"
#include "platform/DriveKind.h"

namespace core {

inline constexpr const char* kRenameDeniedText = "Your OS has denied the renaming";
inline constexpr const char* kRenameDeniedTitle = "Rename error";
inline constexpr const char* kFolderRenameDeniedText = "Your OS has not allowed the new foldername!";
inline constexpr const char* kFolderRenameDeniedTitle = "Rename Folder Problem";
inline constexpr const char* kOverwriteTitle = "File already exists";
inline constexpr const char* kMoveErrorText = "An Error occured while moving files";
inline constexpr const char* kTargetNotDeletedTitle = "Target file could not be deleted";
inline constexpr const char* kMoveErrorTitle = "ERROR";
inline constexpr const char* kDeleteDemosTitle = "Really Delete Demo Files ?";
inline constexpr const char* kDeleteFolderTitle = "Really Delete Folder ?";

// The file path of a plain demo: its folder, a separator and its name.
std::string JoinPath(const std::string& folder, const std::string& name);

// A name typed for a demo or a folder that the file system would take as one entry of the folder:
// not empty, no separator, not "." or "..", no NUL.
bool IsPlainEntryName(const std::string& name);

// The name a demo called `currentName` with `protocol` (the "Protocol" text of its row) gets after
// it was renamed to `name`. A name that ends with any demo extension (in any case) stays as typed;
// otherwise a demo with a modern extension (".dm_66" ...) keeps that extension, and an older one
// gets ".dm3" below protocol 46 and ".dm_48" from 47 on (and for "N/A"), protocol 46 none. The
// protocol text compares as bytes.
std::string ProtocolFitName(const std::string& name, const std::string& protocol, const std::string& currentName);

struct DemoRenameResult {
    bool renamed = false; // false: the system refused (or the name was not a plain name), nothing changed
    std::string name;     // the name the file has now
};
// Renames folder/oldName to folder/newName, then to the name that fits the protocol. The second
// step may fail (a file of that name exists); the result then carries the name the file really
// has, so that the list shows it.
DemoRenameResult RenameDemo(const std::string& folder, const std::string& oldName, const std::string& newName,
                            const std::string& protocol);

// Deletes a plain demo file; false when it could not be deleted (directories are never removed).
bool DeleteDemoFile(const std::string& path);

// The sub-folder names of a folder, names beginning with "." left out.
std::vector<std::string> SubfolderNames(const std::string& folder);
// True when `folder` is the game directory or lies below it; both compare without regard to case.
bool IsInGameDirectory(const std::string& folder, const std::string& gameDirectory);
// The first free name for a new folder among `existing` (compared without regard to case):
// "NewDemoFolder", "NewDemoFolder(2)", ... inside the game directory; "New Demo Folder",
// "New Demo Folder (2)", ... elsewhere.
std::string NewFolderName(const std::vector<std::string>& existing, bool inGameDirectory);
// Creates the new folder under `folder`; the name created, or "" when nothing was created.
std::string CreateNewFolder(const std::string& folder, const std::string& gameDirectory);

struct FolderRenameResult {
    bool renamed = false;
    std::string nodeText; // the node's new text (a full path for a root node)
    std::string newPath;  // the folder's new path
};
// Renames the folder of a tree node: `nodePath` is its path, `parentPath` the folder it lies in
// and `isRoot` whether the node is a root (whose text is a full path). One trailing separator of
// the typed name is dropped; any other separator refuses the name. An existing target is never
// replaced.
FolderRenameResult RenameFolder(const std::string& nodePath, const std::string& parentPath, bool isRoot,
                                std::string newName);

// Removes an empty folder; false when the system refuses (also for a folder that is not empty).
bool RemoveEmptyFolder(const std::string& path);

// Moving one demo file to a place that must not exist yet.
enum class MoveStatus { Moved, TargetExists, Failed };
struct MoveOutcome {
    MoveStatus status = MoveStatus::Failed;
    int error = 0; // the system's error number for Failed
};
// Moves `from` to `to` without ever replacing `to`. Between file systems the file is copied to a
// hidden name beside the target, synced, put in place and only then removed at the old place; when
// the old one cannot be removed, the copy goes again, so the file stays where it was.
MoveOutcome MoveDemoFile(const std::string& from, const std::string& to);

// One demo to move: its folder and its name.
struct MoveItem {
    std::string folder;
    std::string name;
};
// What the moves did so far, kept over the calls of one command.
struct MoveProgress {
    int moved = 0;
    bool lastMoveSucceeded = false;
};
enum class MoveError {
    TargetExists,     // the text is the question (kOverwriteTitle); Yes: call again replacing
    TargetNotDeleted, // the text is kMoveErrorText (kTargetNotDeletedTitle); call again to ask again
    Failed,           // the text names the system's error number (kMoveErrorTitle); the moves end
};
// Moves demos into `target` one by one in the order `next` hands them out (it returns false when
// none is left); done when every one was moved. After each successful move `moved` is called,
// before `next` is asked again. A target that exists stops the moves with TargetExists; the caller
// asks, and on Yes calls again with `replaceFirst`: the first demo handed out then replaces its
// target, the others are moved as before. Any other failure stops with Failed. A target that is
// the very file being moved (the same folder reached by another path) is never deleted: that
// stops as a failure.
Result<Done, MoveError> MoveDemos(const std::function<bool(MoveItem&)>& next, const std::function<void()>& moved,
                                  const std::string& target, MoveProgress& progress, bool replaceFirst = false);

// What the system tells about the file system a folder lies on.
struct DriveState {
    platform::DriveKind kind = platform::DriveKind::None;
    std::string mountPoint; // the "drive root": the mount point the folder lies under
    bool readable = false;  // the folder exists and its file system answers
    bool readOnly = false;  // mounted read-only (or a CD-ROM)
};
// From the mount table's text ("/proc/self/mounts" lines) and the folder: the mount the folder lies
// under (the longest mount point that is the folder or one of its parents), its kind and whether
// its options hold "ro". `readable` is left false; DriveStateOf fills it.
DriveState DriveStateFromMounts(const std::string& mounts, const std::string& folder);
// The same from the running system, with statvfs's read-only flag and whether the folder answers.
DriveState DriveStateOf(const std::string& folder);

} // namespace core
