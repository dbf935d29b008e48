// Plan, then apply: what each checked file becomes (old path -> new path), and carrying such a
// plan out file by file, with the summary message the renaming commands share.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace tagmora {

class FileList;

struct RenamePlanItem {
    int Row = 0;          // the row's index in the list
    std::string OldPath;  // RowPath(Row) when the plan was made
    std::string NewPath;
    // A failure known when planning (kNameHidden, kNameIsPath, kScriptFailed, an errno value),
    // 0 otherwise; such an item is never carried out.
    int Error = 0;
    bool operator==(const RenamePlanItem&) const = default;
};

// In place (preset renaming, undo: no folder is created) or into new folders (script renaming).
enum class RenameKind { InFolder, WithFolders };

// What a run did: the plan, and for each item carried out 0 (renamed) or the errno of its failure.
struct RenameRunResult {
    std::vector<RenamePlanItem> Plan;
    std::vector<int> Errors;
    int Failed = 0;
    // The run stopped early (the window is being closed): Errors is shorter than Plan.
    bool Cancelled = false;
};

// Carries out `plan` in order, one file at a time, never replacing an existing file; an item
// planned with an Error fails with it untouched; a failure is recorded and the run goes on. After each item `afterEach`
// (when given) sees its index and result and returns whether to go on. Returns one result per item carried out.
std::vector<int> ApplyRenames(const std::vector<RenamePlanItem>& plan, RenameKind kind,
                              const std::function<bool(std::size_t index, int error)>& afterEach = {});

// What ApplyRenames would give for each item, found without touching a file: the planned Error,
// a name that CheckNewPath refuses, a target that exists (unless it is the source itself, or an
// earlier item of the plan moved it away) or that an earlier item of the plan already took, a
// source that is gone. Paths are compared as written with "//", "/./" and "x/.." folded. Folders
// that WithFolders would create are assumed creatable.
std::vector<int> SimulateRenames(const std::vector<RenamePlanItem>& plan);

// The summary message of both renaming commands when any file failed.
inline constexpr const char* kFilesNotRenamed =
    "Один или несколько файлов остались непереименованными. Убедитесь, что ни один из файлов в "
    "данной папке не занят другим приложением, Вы имеете разрешения на изменение содержимого папки "
    "и в окне настроек на вкладке \"Переименовывание\" утановлен флажок \"Заменять недопустимые...";

// Shows kFilesNotRenamed (caption "Tagmora", information icon).
void ShowFilesNotRenamed(FileList& list);

}  // namespace tagmora
