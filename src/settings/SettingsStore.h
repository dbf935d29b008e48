// The settings store: the registry's model of keys and typed values, kept in .reg-format files.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tagmora {

enum class RegType : std::uint32_t {
    None = 0,
    Sz = 1,
    ExpandSz = 2,
    Binary = 3,
    Dword = 4,
    DwordBigEndian = 5,
    Link = 6,
    MultiSz = 7,
    Qword = 11,
};

// One value: strings (Sz, ExpandSz) as UTF-8 text, Dword as a number, everything else as bytes.
struct RegValue {
    RegType Type = RegType::None;
    std::string Text;
    std::uint32_t Dword = 0;
    std::vector<std::uint8_t> Bytes;

    static RegValue String(std::string text);
    static RegValue ExpandString(std::string text);
    static RegValue Number(std::uint32_t value);
    static RegValue Binary(std::vector<std::uint8_t> bytes);
    bool operator==(const RegValue&) const = default;
};

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

// A hive in memory: keys in file order, values in insertion order.
struct RegKey {
    std::string Path;  // without the hive root, e.g. "Software\Doskvel\Tagmora"
    std::vector<std::pair<std::string, RegValue>> Values;
    bool operator==(const RegKey&) const = default;
};

// Keys are found by path through an index (the path without its outer backslashes, A-Z folded),
// so that a lookup costs the same in a hive of ten keys and of a hundred thousand.
struct RegHive {
    // In file order. Read them and change their values freely; add and remove keys only through
    // the members below.
    std::vector<RegKey> Keys;
    RegKey* Find(std::string_view path);
    const RegKey* Find(std::string_view path) const;
    RegKey& FindOrCreate(std::string_view path);
    // Removes the key and every key below it (the root "" removes them all); true when any went.
    bool EraseSubtree(std::string_view path);
    bool operator==(const RegHive& other) const { return Keys == other.Keys; }

private:
    // The index of Keys by folded path; rebuilt whenever it no longer matches Keys.
    mutable std::unordered_map<std::string, std::size_t> byPath_;
    std::size_t IndexOf(std::string_view path) const;  // Keys.size() when there is no such key
    void Reindex() const;
};

// Parses the registry export text format (UTF-8, or UTF-16LE with BOM). Only keys under
// `rootName` (e.g. "HKEY_CURRENT_USER", or its abbreviation "HKCU") are kept. Tolerant: malformed
// lines are skipped. Keys met twice are merged; a value met twice keeps its place and the later data.
// Texts come out as valid UTF-8, so that RenderRegFile followed by ParseRegFile gives the same hive.
RegHive ParseRegFile(std::string_view bytes, std::string_view rootName);

// Why the file `path` cannot be read as settings: "" when it can, or when it is not there (no
// settings stored yet); otherwise the system's reason, or that it is no registry export.
std::string RegFileProblem(const std::string& path);

// Renders a hive in the registry export text format, UTF-8. Strings with control characters are
// written as hex(1) (UTF-16LE), so that parsing the result gives the same hive back.
std::string RenderRegFile(const RegHive& hive, std::string_view rootName);

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
