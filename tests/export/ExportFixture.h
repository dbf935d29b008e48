// Test support for the export tests: a list of rows given by path and tags, the recording ports,
// the in-memory spreadsheet application with a template, and a sheet drawn as a compact table.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakePorts.h"
#include "FakeSpreadsheet.h"
#include "export/ExportDialog.h"
#include "export/ExportDriver.h"
#include "filelist/FileList.h"
#include "settings/AppSettings.h"

namespace tagmora::test {

// One list row: its path (the default columns read artist and album from its folders), its tag
// texts and its check box.
struct ListRow {
    std::string Path;
    bool Checked = true;
    std::string Artist = {};
    std::string Album = {};
    std::string Title = {};
};

class ExportFixture : public ::testing::Test {
protected:
    // The installation folder: nothing is there on disk, the template lives in the fake's files.
    static constexpr const char* kInstall = "/nonexistent-tagmora-install";
    static constexpr const char* kBook = "/books/list.xlsx";

    ExportFixture() : list(settings, status, host) {
        ApplyFirstRunDefaults(settings, DesignedColumnWidths());
        settings.ScriptSeparator = "%";
        settings.Path = kInstall;
        FakeSheetData sheet{"Лист1"};
        sheet.Comments["A1"] = "";
        spreadsheet.Files[TemplatePath()] = FakeBookData{{sheet}};
    }

    std::string TemplatePath() const { return settings.Path + "/" + kTemplateFileName; }

    void AddRows(const std::vector<ListRow>& rows) {
        for (const ListRow& r : rows) {
            FileRow& row = list.Rows().emplace_back();
            row.FileText = r.Path;
            row.Path = r.Path;
            row.Texts[ColArtist] = r.Artist;
            row.Texts[ColAlbum] = r.Album;
            row.Texts[ColTitle] = r.Title;
            row.Checked = r.Checked;
        }
        list.FolderCounters.assign(1, 0);
    }

    // The columns given as (head, script, group), with no links.
    void SetColumns(const std::vector<ExportColumn>& columns) {
        settings.ExcColumnsCount = static_cast<int>(columns.size());
        for (std::size_t j = 0; j < columns.size(); ++j) settings.ExportColumns[j] = columns[j];
    }

    static ExportTarget NewBook(const std::string& sheet = "Music") { return {kBook, true, sheet, false}; }
    static ExportTarget Existing(const std::string& sheet, bool newSheet = false) {
        return {kBook, false, sheet, newSheet};
    }

    int Export(const ExportTarget& target) { return ExportToWorkbook(list, settings, target, spreadsheet); }

    // The saved sheet of the workbook at `path`.
    const FakeSheetData& Saved(const std::string& sheet, const std::string& path = kBook) {
        static const FakeSheetData none;
        const auto book = spreadsheet.Files.find(path);
        if (book == spreadsheet.Files.end()) {
            ADD_FAILURE() << "no workbook " << path;
            return none;
        }
        for (const FakeSheetData& s : book->second.Sheets) {
            if (s.Name == sheet) return s;
        }
        ADD_FAILURE() << "no sheet " << sheet;
        return none;
    }

    // The sheet as lines "level:A|B|C", rows 1 to the last row with a cell or an outline level.
    static std::vector<std::string> Layout(const FakeSheetData& sheet, int columns = 3) {
        int last = 0;
        for (const auto& [cell, value] : sheet.Cells) last = std::max(last, cell.first);
        for (const auto& [row, level] : sheet.Levels) last = std::max(last, row);
        std::vector<std::string> lines;
        for (int row = 1; row <= last; ++row) {
            const auto level = sheet.Levels.find(row);
            std::string line = std::to_string(level == sheet.Levels.end() ? 0 : level->second) + ":";
            for (int column = 1; column <= columns; ++column) {
                const auto cell = sheet.Cells.find({row, column});
                if (column > 1) line += '|';
                if (cell != sheet.Cells.end()) line += cell->second;
            }
            lines.push_back(line);
        }
        return lines;
    }

    AppSettings settings;
    RecordingStatus status;
    FakeHost host;
    FileList list;
    FakeSpreadsheet spreadsheet;
};

// Artist, album and title from the tag columns, artist and album grouped.
inline const std::vector<ExportColumn> kTagColumns = {
    {"Artist", "%t3%", true, false, true, ""},
    {"Album", "%t2%", true, false, true, ""},
    {"Title", "%t1%", false, false, true, ""},
};

}  // namespace tagmora::test
