// Undo of the last preset rename: the recorded (old path, new path) pairs and the command that
// gives the files their former names back.
#pragma once

#include <string>
#include <vector>

namespace tagmora {

class FileList;

struct UndoPair {
    std::string OldPath;
    std::string NewPath;
    bool operator==(const UndoPair&) const = default;
};

// The pairs of the last preset rename, one per file renamed, in the order of renaming. The main
// window owns it; each preset rename replaces it, the undo empties it.
using UndoList = std::vector<UndoPair>;

// Renames every pair back from its new path to its old path, in recorded order, never replacing
// an existing file and creating no folder; a pair that fails is skipped silently. Empties `undo`.
// Returns the number of files restored.
int RestoreUndoList(UndoList& undo);

// The command UnDoMnu: RestoreUndoList, disables UnDoMnu, then rescans CurrentFolder and reads
// every row. Run it through RunCommand, which keeps it from starting inside another command.
void UnDoMnuClick(FileList& list, UndoList& undo);

}  // namespace tagmora
