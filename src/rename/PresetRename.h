// Preset renaming: each checked file named from its tags by the pattern the settings configure
// (song number, artist, album, title, ".mp3"), recorded for undo.
#pragma once

#include <string>
#include <vector>

#include "rename/RenamePlan.h"
#include "rename/Undo.h"

namespace tagmora {

class FileList;

// The number part of a checked row by AddPrefixHow: 0 counts the checked rows from AddPrefixStart
// (`checkedIndex` is k, from 1), 1 is AddPrefixStart plus the row index, 2 the Track text as it
// is, 3 the row's folder counter advanced by one (as the script operation "nn"); any other mode
// gives the empty text. Numbers below 10 get a leading zero.
std::string PresetNumber(FileList& list, int row, int checkedIndex);

// The new path of every checked row, in list order: the row's folder, then (AddPrefix) the number
// and AddPrefixSeparator, (AddPrefixArtist) the artist and the separator, (AddPrefixAlbum) the
// album and the separator, then the title and ".mp3". With ReplaceBannedSymbols the artist, album
// and title pass through ReplaceBannedChars (ReplaceSymbol); the number, the separator and the
// folder never do. A name that holds a "/" is planned with the Error kNameIsPath. Resets the
// folder counters first (mode 3 advances them). Touches no file.
std::vector<RenamePlanItem> PlanPresetRename(FileList& list);

// The renaming: empties `undo`, plans, renames each file in place without replacing any, records
// each success in `undo`, enables UnDoMnu when `undo` is not empty (a run in which every file
// failed leaves it as it was) and shows the summary message when any file failed. Sorting is off
// while it runs. The list is not rebuilt.
RenameRunResult RunPresetRename(FileList& list, UndoList& undo);

// The command RenameAllMnu: "Нет выбранных файлов." when no row is checked; otherwise
// RunPresetRename, then a fresh scan of CurrentFolder and a read of every row. Run it through
// RunCommand, which keeps it from starting inside another command.
void RenameAllMnuClick(FileList& list, UndoList& undo);

}  // namespace tagmora
