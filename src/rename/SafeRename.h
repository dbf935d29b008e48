// Renaming one file without ever replacing another: checks of the new name, the no-replace
// rename with and without folder creation, and the rename to the same name in other letter case.
#pragma once

#include <string>
#include <string_view>

namespace tagmora {

// The longest path component and the longest path (in bytes) that a new name may have.
inline constexpr std::size_t kMaxNameBytes = 255;
inline constexpr std::size_t kMaxPathBytes = 4095;

// Failures of a new name that no errno value describes (negative, so that they never meet one).
// kNameHidden: the file name is empty before its extension or starts with "." (".mp3", ".x.mp3"),
// which would hide the file. kNameIsPath: a name that must stay a file name holds a "/" (preset
// names, from tag text). kScriptFailed: the script gives "Error" on the row.
inline constexpr int kNameHidden = -1;
inline constexpr int kNameIsPath = -2;
inline constexpr int kScriptFailed = -3;
// Another of the program's processes kept the file locked (it was writing its tag) for longer than
// the lock wait.
inline constexpr int kFileInUse = -4;

// The reason of a rename failure for a message: the text of one of the codes above, otherwise
// the system's text of the errno value ("File exists").
std::string RenameErrorText(int error);

// 0 when `path` may be handed to the file system as a new name; EINVAL when it holds a NUL byte,
// ENAMETOOLONG when one of its "/"-separated components is longer than kMaxNameBytes or the whole
// path longer than kMaxPathBytes, kNameHidden when its last component starts with "." (a hidden
// file). Looks at the text only.
int CheckNewPath(std::string_view path);

// Renames `from` to `to` in place: never replaces an existing file, never creates a folder, and
// never moves the file into another folder (a target whose folder part differs, as a "/" or ".."
// coming from tag text would make it, fails with EINVAL; "//" and "/./" in it are the same folder,
// "x/.." is not, since the system follows a link named x). A name CheckNewPath refuses fails.
// A target that is the same directory entry (the same path written differently) succeeds without
// a change; a target that is the same file under a name differing only in letter case (as a
// case-insensitive file system reports it) is reached through a temporary name. The file is
// locked against the program's other processes while it is renamed (kFileInUse when one keeps
// it). 0 on success, otherwise the errno value of the failure; on failure nothing has changed.
int RenameFileNoReplace(const std::string& from, const std::string& to);

// As RenameFileNoReplace, but first creates the target folder with every missing parent
// (MoveFileWithFolders); folders created stay when the move fails. A name that CheckNewPath
// refuses fails before any folder is created.
int MoveFileNoReplace(const std::string& from, const std::string& to);

// What a target that the no-replace rename found existing is, compared with the source.
enum class ExistingTarget {
    OtherFile,          // another file (or the source is gone): the rename must fail
    SameEntry,          // the same name in the same folder: nothing to do
    SameFileOtherCase,  // the same file, its name differing only in letter case
};

// Compares the directory entries `from` and `to` after a rename found `to` existing. The same
// file means the same (device, inode) and the same folder (device, inode). Names that are
// byte-equal are the same entry; names equal only ignoring case (simple case folding) are the
// same file under other case. Two different hard links are other files unless their names differ
// only in letter case; then the rename through a temporary name fails on the second step and is
// rolled back.
ExistingTarget ClassifyExistingTarget(const std::string& from, const std::string& to);

// Renames `from` to a fresh temporary name in the folder of `to`, then to `to`, both without
// replacing; when the second step fails the file gets its name `from` back. 0 or the errno of
// the step that failed.
int RenameViaTemporary(const std::string& from, const std::string& to);

}  // namespace tagmora
