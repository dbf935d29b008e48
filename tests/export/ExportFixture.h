// Test support for the export tests: a list of rows given by path and tags over the recording
// ports, the in-memory spreadsheet application with a template, and a sheet drawn as a table.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakePorts.h"
#include "FakeSpreadsheet.h"
#include "export/ExportDriver.h"
#include "filelist/FileList.h"
#include "settings/AppSettings.h"

namespace tagmora::test {

// A list row: its path (the default columns read artist and album from its folders), its check
// box and its tag texts.
struct ListRow {
    std::string Path;
    bool Checked = true;
    std::string Artist = {}, Album = {}, Title = {};
};

class ExportFixture : public ::testing::Test {
protected:
    // Nothing is on disk there: the template lives in the fake's files.
    static constexpr const char* kInstall = "/nonexistent-tagmora-install";
    static constexpr const char* kBook = "/books/list.xlsx";

    ExportFixture() : list(settings, status, host) {
        ApplyFirstRunDefaults(settings, DesignedColumnWidths());
        settings.ScriptSeparator = "%";
        settings.Path = kInstall;
        spreadsheet.Files[TemplatePath()] = FakeBookData{{FakeSheetData{"Лист1", {}, {}, {{"A1", ""}}}}};
    }

    std::string TemplatePath() const { return settings.Path + "/" + kTemplateFileName; }

    void AddRows(const std::vector<ListRow>& rows) {
        for (const ListRow& r : rows) {
            FileRow& row = list.Rows().emplace_back();
            row.SetPath(r.Path);
            row.SetFileText(row.Path());
            row.SetColumnText(ColArtist, r.Artist);
            row.SetColumnText(ColAlbum, r.Album);
            row.SetColumnText(ColTitle, r.Title);
            row.Checked = r.Checked;
        }
        list.FolderCounters.assign(1, 0);
    }
    void SetColumns(const std::vector<ExportColumn>& columns) {
        settings.ExcColumnsCount = static_cast<int>(columns.size());
        std::copy(columns.begin(), columns.end(), settings.ExportColumns.begin());
    }

    static ExportTarget NewBook(const std::string& sheet = "Music") { return {kBook, true, sheet, false}; }
    static ExportTarget Existing(const std::string& sheet, bool newSheet = false) {
        return {kBook, false, sheet, newSheet};
    }
    ExportResult Export(const ExportTarget& target) { return ExportToWorkbook(list, settings, target, spreadsheet); }

    // The saved sheet of that name in the workbook at kBook.
    const FakeSheetData& Saved(const std::string& name) {
        for (const FakeSheetData& sheet : spreadsheet.Files.at(kBook).Sheets) {
            if (sheet.Name == name) return sheet;
        }
        throw std::out_of_range("no sheet " + name);
    }

    // The sheet as lines "level:A|B|C", rows 1 to the last row with a cell or an outline level.
    static std::vector<std::string> Layout(const FakeSheetData& sheet, int columns = 3) {
        int last = sheet.Levels.empty() ? 0 : sheet.Levels.rbegin()->first;
        for (const auto& [cell, value] : sheet.Cells) last = std::max(last, cell.first);
        std::vector<std::string> lines;
        for (int row = 1; row <= last; ++row) {
            const auto level = sheet.Levels.find(row);
            std::string line = std::to_string(level == sheet.Levels.end() ? 0 : level->second) + ":";
            for (int column = 1; column <= columns; ++column) {
                const auto cell = sheet.Cells.find({row, column});
                line += (column > 1 ? "|" : "") + (cell == sheet.Cells.end() ? std::string() : cell->second);
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

}  // namespace tagmora::test
