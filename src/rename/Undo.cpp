// Undo of the last preset rename.
#include "rename/Undo.h"

#include "filelist/BuildList.h"
#include "filelist/FileList.h"
#include "rename/SafeRename.h"

namespace tagmora {

int RestoreUndoList(UndoList& undo) {
    int restored = 0;
    for (const UndoPair& pair : undo) {
        if (RenameFileNoReplace(pair.NewPath, pair.OldPath) == 0) ++restored;
    }
    undo.clear();
    return restored;
}

void UnDoMnuClick(FileList& list, UndoList& undo) {
    RestoreUndoList(undo);
    list.HostPort().SetCommandEnabled(menu::UnDoMnu, false);
    list.ScanFolder(list.CurrentFolder, false, false);
    BuildList(list, false, false);
}

}  // namespace tagmora
