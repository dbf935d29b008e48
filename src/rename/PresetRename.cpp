// Preset renaming.
#include "rename/PresetRename.h"

#include <cstdint>
#include <limits>

#include "common/FileHelpers.h"
#include "script/Script.h"
#include "filelist/BuildList.h"
#include "filelist/FileList.h"
#include "filelist/FolderCommands.h"
#include "rename/SafeRename.h"

namespace tagmora {

namespace {

// TwoDigitNumber for every value a start plus an index can reach.
std::string NumberText(std::int64_t n) {
    if (n >= std::numeric_limits<int>::min() && n <= std::numeric_limits<int>::max()) {
        return TwoDigitNumber(static_cast<int>(n));
    }
    return std::to_string(n);
}

}  // namespace

std::string PresetNumber(FileList& list, int row, int checkedIndex) {
    const AppSettings& s = list.Settings();
    const FileRow& r = list.Rows()[static_cast<std::size_t>(row)];
    switch (s.AddPrefixHow) {
        case 0: return NumberText(std::int64_t{s.AddPrefixStart} + checkedIndex - 1);
        case 1: return NumberText(std::int64_t{s.AddPrefixStart} + row);
        case 2: return std::string(r.ColumnText(ColTrack));
        case 3: {
            if (r.FolderNumber < 0) return {};
            auto& counters = list.FolderCounters;
            if (static_cast<std::size_t>(r.FolderNumber) >= counters.size())
                counters.resize(static_cast<std::size_t>(r.FolderNumber) + 1, 0);
            int& counter = counters[static_cast<std::size_t>(r.FolderNumber)];
            return NumberText(++counter);
        }
        default: return {};
    }
}

std::vector<RenamePlanItem> PlanPresetRename(FileList& list) {
    const AppSettings& s = list.Settings();
    ResetFolderCounters(list);
    std::vector<RenamePlanItem> plan;
    int k = 0;
    for (int i = 0; i < list.RowCount(); ++i) {
        const FileRow& row = list.Rows()[static_cast<std::size_t>(i)];
        if (!row.Checked) continue;
        ++k;
        std::string title(row.ColumnText(ColTitle));
        std::string album(row.ColumnText(ColAlbum));
        std::string artist(row.ColumnText(ColArtist));
        if (s.ReplaceBannedSymbols) {
            title = ReplaceBannedChars(title, s.ReplaceSymbol);
            album = ReplaceBannedChars(album, s.ReplaceSymbol);
            artist = ReplaceBannedChars(artist, s.ReplaceSymbol);
        }
        std::string name;
        if (s.AddPrefix) name = PresetNumber(list, i, k) + s.AddPrefixSeparator;
        if (s.AddPrefixArtist) name += artist + s.AddPrefixSeparator;
        if (s.AddPrefixAlbum) name += album + s.AddPrefixSeparator;
        name += title;
        name = ReplaceControlChars(name, s.ReplaceSymbol) + ".mp3";
        const std::string& old = list.RowPath(i);
        // A name is never a path: a "/" from tag text or the separator would lead the system
        // through whatever the folder part names, links included.
        const int error = name.find('/') != std::string::npos ? kNameIsPath : 0;
        plan.push_back({i, old, FolderOfPath(old) + name, error});
    }
    return plan;
}

RenameRunResult RunPresetRename(FileList& list, UndoList& undo) {
    undo.clear();
    const bool ordering = list.AutoOrdering;
    list.AutoOrdering = false;

    RenameRunResult result;
    result.Plan = PlanPresetRename(list);
    result.Errors = ApplyRenames(result.Plan, RenameKind::InFolder, [&](std::size_t index, int error) {
        const RenamePlanItem& item = result.Plan[index];
        if (error == 0) {
            undo.push_back({item.OldPath, item.NewPath});
        } else {
            ++result.Failed;
        }
        list.HostPort().ProcessEvents();
        return !list.CancelRequested();
    });
    result.Cancelled = result.Errors.size() < result.Plan.size();

    list.AutoOrdering = ordering;
    if (!undo.empty()) list.HostPort().SetCommandEnabled(menu::UnDoMnu, true);
    if (result.Failed > 0) ShowFilesNotRenamed(list);
    return result;
}

void RenameAllMnuClick(FileList& list, UndoList& undo) {
    if (list.RowCount() == 0 || !list.AnyRowChecked()) {
        ShowNoCheckedFiles(list);
        return;
    }
    const RenameRunResult result = RunPresetRename(list, undo);
    if (result.Cancelled) return;
    list.ScanFolder(list.CurrentFolder, false, false);
    BuildList(list, false, false);
}

}  // namespace tagmora
