// The file-backed settings store: one hive per .reg file, read again when it changed on disk,
// saved atomically. Files are opened, read and replaced through the file I/O module.
#include "settings/SettingsStore.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unordered_map>

#include "platform/FileIo.h"

namespace tagmora {

using reg::FoldedName;
using reg::IsBelow;
using reg::NormalizeKeyPath;
using reg::SameKey;

namespace {

namespace fs = std::filesystem;

// Temporary files of earlier saves older than this are leftovers of a save that died; younger
// ones may belong to a save running in another process at this moment.

// Writes values into a key: a value of the same name (ignoring case) is replaced in its place,
// a new one is appended. The names are looked up through an index, so that writing many values
// into a large key is no quadratic loop.
void SetValues(RegKey& key, const std::vector<std::pair<std::string, RegValue>>& values) {
    std::unordered_map<std::string, std::size_t> byName;
    byName.reserve(key.Values.size() + values.size());
    for (std::size_t i = 0; i < key.Values.size(); ++i) byName.emplace(FoldedName(key.Values[i].first), i);
    for (const auto& [name, value] : values) {
        const auto [it, added] = byName.emplace(FoldedName(name), key.Values.size());
        if (added) {
            key.Values.emplace_back(name, value);
        } else {
            key.Values[it->second].second = value;
        }
    }
}

// ---- Files ----------------------------------------------------------------------------------

template <class Stamp>
void FillStamp(Stamp& stamp, const fileio::PathStatus& status) {
    stamp.Exists = true;
    stamp.Device = status.Identity.Device;
    stamp.Inode = status.Identity.Inode;
    stamp.Size = status.Size;
    stamp.ModifiedSec = status.ModifiedSec;
    stamp.ModifiedNsec = status.ModifiedNsec;
}

}  // namespace

const char* HiveRootName(Hive hive) {
    switch (hive) {
        case Hive::CurrentUser: return "HKEY_CURRENT_USER";
        case Hive::LocalMachine: return "HKEY_LOCAL_MACHINE";
        case Hive::ClassesRoot: return "HKEY_CLASSES_ROOT";
    }
    return "HKEY_CURRENT_USER";
}

// ---- Atomic replacement ---------------------------------------------------------------------

int WriteFileAtomically(const std::string& path, std::string_view bytes) {
    if (path.empty() || path.back() == '/') return EISDIR;
    // A symbolic link stays a link: the file it points at is replaced, in the folder it lies in.
    const fs::path target(fileio::ResolveLink(path));
    std::error_code ec;
    fs::create_directories(target.parent_path().empty() ? fs::path(".") : target.parent_path(), ec);
    if (ec) return ec.value();
    return fileio::ReplaceFileAtomically(target.string(), [bytes](int fd) { return fileio::WriteAll(fd, bytes); });
}

// ---- FileSettingsStore ----------------------------------------------------------------------

FileSettingsStore::FileSettingsStore(std::string userHivePath, std::string machineHivePath,
                                     std::string classesHivePath) {
    user_.FilePath = std::move(userHivePath);
    machine_.FilePath = std::move(machineHivePath);
    classes_.FilePath = std::move(classesHivePath);
}

std::string FileSettingsStore::DefaultUserHivePath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    // The base-directory rules ignore a relative XDG_CONFIG_HOME.
    if (config != nullptr && config[0] == '/') return std::string(config) + "/tagmora/user.reg";
    std::string home;
    if (const char* h = std::getenv("HOME"); h != nullptr && h[0] != '\0') {
        home = h;
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
        home = pw->pw_dir;
    }
    return home + "/.config/tagmora/user.reg";
}

std::string FileSettingsStore::DefaultMachineHivePath() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) return {};
    return (exe.parent_path() / ".." / "share" / "tagmora" / "machine.reg").lexically_normal().string();
}

FileSettingsStore::Slot& FileSettingsStore::SlotOf(Hive hive) {
    switch (hive) {
        case Hive::CurrentUser: return user_;
        case Hive::LocalMachine: return machine_;
        case Hive::ClassesRoot: return classes_;
    }
    return user_;
}

void FileSettingsStore::Load(Slot& slot, Hive hive) {
    if (slot.FilePath.empty()) {
        slot.Loaded = true;
        slot.Readable = false;
        return;
    }
    FileStamp stamp;
    const fileio::PathStatus status = fileio::StatPath(slot.FilePath);
    const int statError = status.Error;
    if (statError == 0) {
        FillStamp(stamp, status);
    } else if (statError != ENOENT && statError != ENOTDIR) {
        slot.Loaded = true;
        slot.Readable = false;
        slot.Stamp = {};
        slot.Data = {};
        slot.ValueIndex.clear();
        return;
    }
    if (slot.Loaded && slot.Readable && stamp == slot.Stamp) return;

    slot.Loaded = true;
    slot.Stamp = stamp;
    slot.Data = {};
    slot.ValueIndex.clear();
    slot.Readable = true;
    if (!stamp.Exists) return;  // a missing file is an empty hive
    std::string content;
    if (!status.Regular || fileio::ReadWholeFile(slot.FilePath, content) != 0) {
        slot.Readable = false;
        slot.Stamp = {};
        return;
    }
    slot.Data = ParseRegFile(content, HiveRootName(hive));
}

std::string RegFileProblem(const std::string& path) {
    const fileio::PathStatus status = fileio::StatPath(path);
    if (!status.Exists()) return status.Error == ENOENT ? std::string() : std::strerror(status.Error);
    if (!status.Regular) return "it is not a file";
    std::string content;
    if (const int error = fileio::ReadWholeFile(path, content); error != 0) return std::strerror(error);
    std::string_view text = content;
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    const bool utf16 = text.starts_with("\xFF\xFE");
    if (!utf16 && !text.starts_with(kRegFileHeader) && !text.starts_with(kRegFileHeader4))
        return "it is not a registry export (it does not start with \"" + std::string(kRegFileHeader) + "\")";
    return {};
}

bool FileSettingsStore::Save(Slot& slot, Hive hive) {
    if (slot.FilePath.empty() || !slot.Readable) return false;
    // A save that was killed half-way left its temporary file; this one clears such leftovers.
    fileio::RemoveLeftoverTemporaries(slot.FilePath, fileio::kLeftoverAgeSeconds);
    if (WriteFileAtomically(slot.FilePath, RenderRegFile(slot.Data, HiveRootName(hive))) != 0) return false;
    // The new file's stamp, so that the next operation does not read it again.
    slot.Stamp = {};
    if (const fileio::PathStatus status = fileio::StatPath(slot.FilePath); status.Exists())
        FillStamp(slot.Stamp, status);
    return true;
}

bool FileSettingsStore::KeyExists(Hive hive, const std::string& key) {
    Slot& slot = SlotOf(hive);
    Load(slot, hive);
    return std::any_of(slot.Data.Keys.begin(), slot.Data.Keys.end(),
                       [&](const RegKey& k) { return SameKey(k.Path, key) || IsBelow(k.Path, key); });
}

std::optional<RegValue> FileSettingsStore::ReadValue(Hive hive, const std::string& key, const std::string& name) {
    Slot& slot = SlotOf(hive);
    Load(slot, hive);
    const RegKey* k = slot.Data.Find(key);
    if (k == nullptr) return std::nullopt;
    // The key's values by name, made at its first lookup.
    const auto [byName, added] = slot.ValueIndex.try_emplace(static_cast<std::size_t>(k - slot.Data.Keys.data()));
    if (added) {
        byName->second.reserve(k->Values.size());
        for (std::size_t i = 0; i < k->Values.size(); ++i) byName->second.emplace(FoldedName(k->Values[i].first), i);
    }
    const auto it = byName->second.find(FoldedName(name));
    if (it == byName->second.end()) return std::nullopt;
    return k->Values[it->second].second;
}

bool FileSettingsStore::WriteValues(Hive hive, const std::string& key,
                                    const std::vector<std::pair<std::string, RegValue>>& values) {
    Slot& slot = SlotOf(hive);
    Load(slot, hive);
    if (slot.FilePath.empty() || !slot.Readable) return false;
    RegHive before = slot.Data;
    slot.ValueIndex.clear();
    SetValues(slot.Data.FindOrCreate(key), values);
    if (Save(slot, hive)) return true;
    slot.Data = std::move(before);
    return false;
}

bool FileSettingsStore::DeleteKey(Hive hive, const std::string& key) {
    if (NormalizeKeyPath(key).empty()) return false;  // the root itself cannot go
    Slot& slot = SlotOf(hive);
    Load(slot, hive);
    if (slot.FilePath.empty() || !slot.Readable) return false;
    RegHive before = slot.Data;
    slot.ValueIndex.clear();
    if (!slot.Data.EraseSubtree(key)) return false;
    if (Save(slot, hive)) return true;
    slot.Data = std::move(before);
    return false;
}

}  // namespace tagmora
