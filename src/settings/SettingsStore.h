// The settings store: the port over the registry's model of keys and typed values, and the real
// store, one .reg file per hive, read again when another process changed it and replaced atomically.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "settings/RegFile.h"

namespace tagmora {

enum class Hive { CurrentUser, LocalMachine, ClassesRoot };

// The port. Key paths use "\" between components and compare ignoring case, as do value names.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual bool KeyExists(Hive hive, const std::string& key) = 0;
    // The value, or nothing when the key or the value is missing.
    virtual std::optional<RegValue> ReadValue(Hive hive, const std::string& key, const std::string& name) = 0;
    // Creates the key when absent and writes the values in order, then saves the hive atomically.
    // False when the hive cannot be saved (nothing is then changed on disk).
    virtual bool WriteValues(Hive hive, const std::string& key,
                             const std::vector<std::pair<std::string, RegValue>>& values) = 0;
    // Deletes the key with all its subkeys; false when it did not exist or could not be saved.
    virtual bool DeleteKey(Hive hive, const std::string& key) = 0;
};

// Why the file `path` cannot be read as settings: "" when it can, or when it is not there (no
// settings stored yet); otherwise the system's reason, or that it is no registry export.
std::string RegFileProblem(const std::string& path);

// Writes `bytes` to `path` atomically (fileio::ReplaceFileAtomically: a temporary file
// "." + name + ".tmp-XXXXXX" in the same folder, flushed, renamed over the old one; a symbolic
// link stays a link). Creates missing parent folders first. 0, or the errno of the failure.
int WriteFileAtomically(const std::string& path, std::string_view bytes);

// The real store: one .reg file per hive.
class FileSettingsStore : public SettingsStore {
public:
    // Paths of the per-user, machine-wide and classes hives ("" for a hive that is not kept).
    FileSettingsStore(std::string userHivePath, std::string machineHivePath, std::string classesHivePath = {});

    // $XDG_CONFIG_HOME/tagmora/user.reg (or ~/.config/tagmora/user.reg).
    static std::string DefaultUserHivePath();
    // <folder of the executable>/../share/tagmora/machine.reg.
    static std::string DefaultMachineHivePath();

    bool KeyExists(Hive hive, const std::string& key) override;
    std::optional<RegValue> ReadValue(Hive hive, const std::string& key, const std::string& name) override;
    bool WriteValues(Hive hive, const std::string& key,
                     const std::vector<std::pair<std::string, RegValue>>& values) override;
    bool DeleteKey(Hive hive, const std::string& key) override;

private:
    // What the file looked like when it was read: a change on disk (another process saved it)
    // makes the next operation read it again.
    struct FileStamp {
        bool Exists = false;
        std::uint64_t Device = 0, Inode = 0;
        std::int64_t Size = 0, ModifiedSec = 0, ModifiedNsec = 0;
        bool operator==(const FileStamp&) const = default;
    };
    struct Slot {
        std::string FilePath;
        bool Loaded = false;
        // False when the file exists but cannot be read: writes then fail rather than replace it.
        bool Readable = true;
        FileStamp Stamp;
        RegHive Data;
        // Key index in Data -> its values' indexes by A-Z folded name, made as keys are looked
        // up; emptied whenever Data changes.
        std::unordered_map<std::size_t, std::unordered_map<std::string, std::size_t>> ValueIndex;
    };
    Slot& SlotOf(Hive hive);
    void Load(Slot& slot, Hive hive);
    bool Save(Slot& slot, Hive hive);
    Slot user_, machine_, classes_;
};

// The root key name of a hive in .reg files: "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_CLASSES_ROOT".
const char* HiveRootName(Hive hive);

}  // namespace tagmora