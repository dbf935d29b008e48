// Renaming one file without ever replacing another.
#include "rename/SafeRename.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "common/FileHelpers.h"
#include "common/Text.h"
#include "platform/FileIo.h"

namespace tagmora {

namespace {

std::string_view NameOf(std::string_view path) { return path.substr(LastBackslashPos(path)); }

// The folder of a path as the file system should look it up ("." for a bare name).
std::string FolderForStat(std::string_view path) {
    const std::size_t pos = LastBackslashPos(path);
    if (pos == 0) return ".";
    return std::string(path.substr(0, pos));
}

// After a no-replace rename failed with `error`: success when the target is the source itself,
// the case-only rename through a temporary name, or the failure unchanged.
int ResolveExisting(int error, const std::string& from, const std::string& to) {
    if (error != EEXIST) return error;
    switch (ClassifyExistingTarget(from, to)) {
        case ExistingTarget::SameEntry: return 0;
        case ExistingTarget::SameFileOtherCase: return RenameViaTemporary(from, to);
        case ExistingTarget::OtherFile: break;
    }
    return error;
}

}  // namespace

std::string RenameErrorText(int error) {
    switch (error) {
        case kNameHidden:
            return "the new name would make a hidden file (empty before its extension or starting with \".\")";
        case kNameIsPath: return "the new name holds a \"/\": a name from tag text stays a file name";
        case kScriptFailed: return "the script gives Error on this file";
        case kFileInUse: return "the file is in use by another Tagmora";
        default: return std::strerror(error);
    }
}

int CheckNewPath(std::string_view path) {
    if (path.find('\0') != std::string_view::npos) return EINVAL;
    if (path.size() > kMaxPathBytes) return ENAMETOOLONG;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        if (end - start > kMaxNameBytes) return ENAMETOOLONG;
        start = end + 1;
    }
    if (NameOf(path).substr(0, 1) == ".") return kNameHidden;
    return 0;
}

ExistingTarget ClassifyExistingTarget(const std::string& from, const std::string& to) {
    const fileio::PathStatus source = fileio::StatPath(from, false);
    const fileio::PathStatus target = fileio::StatPath(to, false);
    if (!source.Exists() || !target.Exists() || source.Identity != target.Identity) return ExistingTarget::OtherFile;
    const fileio::PathStatus sourceFolder = fileio::StatPath(FolderForStat(from));
    const fileio::PathStatus targetFolder = fileio::StatPath(FolderForStat(to));
    if (!sourceFolder.Exists() || !targetFolder.Exists() || sourceFolder.Identity != targetFolder.Identity)
        return ExistingTarget::OtherFile;
    const std::string_view a = NameOf(from);
    const std::string_view b = NameOf(to);
    if (a == b) return ExistingTarget::SameEntry;
    if (text::CompareIgnoreCase(a, b) == 0) return ExistingTarget::SameFileOtherCase;
    return ExistingTarget::OtherFile;
}

int RenameViaTemporary(const std::string& from, const std::string& to) {
    static unsigned counter = 0;
    const std::string folder = FolderOfPath(to);
    std::string temporary;
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        temporary = folder + ".tagmora-rename-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
        error = fileio::RenameNoReplace(from, temporary);
    }
    if (error != 0) return error;
    error = fileio::RenameNoReplace(temporary, to);
    if (error != 0) fileio::RenameNoReplace(temporary, from);
    return error;
}

namespace {

// The folder components of a path's folder part, with empty and "." components dropped; ".." is
// kept as a component of its own (the system resolves it after following links).
std::vector<std::string_view> FolderComponents(std::string_view path) {
    const std::string_view folder = path.substr(0, LastBackslashPos(path));
    std::vector<std::string_view> parts;
    if (!folder.empty() && folder[0] == '/') parts.emplace_back("/");
    std::size_t start = 0;
    while (start < folder.size()) {
        std::size_t end = folder.find('/', start);
        if (end == std::string_view::npos) end = folder.size();
        const std::string_view part = folder.substr(start, end - start);
        if (!part.empty() && part != ".") parts.push_back(part);
        start = end + 1;
    }
    return parts;
}

// Do both paths name entries of the same folder (compared as written, "//" and "/./" folded)?
bool SameFolder(const std::string& a, const std::string& b) { return FolderComponents(a) == FolderComponents(b); }

}  // namespace

int RenameFileNoReplace(const std::string& from, const std::string& to) {
    if (const int error = CheckNewPath(to)) return error;
    if (!SameFolder(from, to)) return EINVAL;
    fileio::UniqueFd lock;
    if (fileio::LockForRename(from, lock) != 0) return kFileInUse;
    const int error = fileio::RenameNoReplace(from, to);
    return error == 0 ? 0 : ResolveExisting(error, from, to);
}

int MoveFileNoReplace(const std::string& from, const std::string& to) {
    if (const int error = CheckNewPath(to)) return error;
    fileio::UniqueFd lock;
    if (fileio::LockForRename(from, lock) != 0) return kFileInUse;
    const int error = MoveFileWithFolders(from, to).Error;
    return error == 0 ? 0 : ResolveExisting(error, from, to);
}

}  // namespace tagmora
