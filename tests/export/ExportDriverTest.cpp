// The workbook export driver: outlines, appending, hyperlinks, progress, failures, and the sheet
// listing, on the in-memory spreadsheet application.
#include "export/ExportDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ExportFixture.h"
#include "TestFiles.h"

namespace tagmora {
namespace {

using test::ExportFixture;
using test::FakeBookData;
using test::FakeSheetData;
using test::ListRow;
using Lines = std::vector<std::string>;

// Two artists with two albums each; the default columns read them from the folders.
const std::vector<ListRow> kTwoArtists = {
    {"/m/A1/X/01.mp3"}, {"/m/A1/X/02.mp3"}, {"/m/A1/Y/03.mp3"},
    {"/m/A2/Z/04.mp3"}, {"/m/A2/Z/05.mp3"}, {"/m/A2/W/06.mp3"},
};

class ExportDriverTest : public ExportFixture {};

TEST_F(ExportDriverTest, TwoArtistsWithTwoAlbumsEachGiveTheOutlineWithAnEmptyRowAfterEachArtist) {
    AddRows(kTwoArtists);
    ASSERT_EQ(Export(NewBook()), ExportResult::Done);

    const FakeSheetData& sheet = Saved("Music");
    EXPECT_EQ(Layout(sheet), (Lines{
                                 "0:Artist|Album|Title",
                                 "0:A1||",
                                 "1:|X|",
                                 "2:||01",
                                 "2:||02",
                                 "1:|Y|",
                                 "2:||03",
                                 "1:||",
                                 "0:A2||",
                                 "1:|Z|",
                                 "2:||04",
                                 "2:||05",
                                 "1:|W|",
                                 "2:||06",
                                 "1:||",
                             }));
    EXPECT_EQ(sheet.Groups, (Lines{"B4:B5", "A3:A8", "B7:B7", "B11:B12", "A10:A15", "B14:B14"}));
    EXPECT_EQ(sheet.Comments.at("A1"), "15");
    EXPECT_EQ(spreadsheet.Calls, (Lines{"Create:Fake.Application.1", "Visible:0", "Open:" + TemplatePath(),
                                        "SetName:Music", "SaveAs:/books/list.xlsx", "Close", "Quit"}));
    EXPECT_EQ(status.Log, (Lines{"status: Создание обьекта Fake.Application.1 ...", "status: Экспорт...",
                                 "status: Закрытие обьекта Fake.Application.1 ...", "brief: Готово."}));
    EXPECT_EQ(list.RowCount(), 6);  // the look-ahead row is gone
    EXPECT_TRUE(host.Messages.empty());
}

TEST_F(ExportDriverTest, ExportsIntoAnExistingSheetAppendAndANewSheetIsAddedWithItsComment) {
    AddRows({{"/m/A1/X/01.mp3"}, {"/m/A1/X/02.mp3"}});
    SetColumns({{"Album", "%p1%", false, false, true, ""}, {"Title", "%p0n[-4]%", false, false, true, ""}});
    ASSERT_EQ(Export(NewBook()), ExportResult::Done);
    settings.ExportColumns[0].Head = "Альбом";
    list.Rows()[0].Checked = false;
    ASSERT_EQ(Export(Existing("music")), ExportResult::Done);  // sheet names ignore case
    EXPECT_EQ(Layout(Saved("Music"), 2), (Lines{"0:Альбом|Title", "0:X|01", "0:X|02", "0:X|02"}));
    EXPECT_EQ(Saved("Music").Comments.at("A1"), "4");

    spreadsheet.Calls.clear();
    status.Log.clear();
    ASSERT_EQ(Export(Existing("Новый", true)), ExportResult::Done);
    EXPECT_EQ(spreadsheet.Files.at(kBook).Sheets[0].Name, "Новый");  // before the active sheet
    EXPECT_EQ(Layout(Saved("Новый"), 2), (Lines{"0:Альбом|Title", "0:X|02"}));
    EXPECT_EQ(Saved("Новый").Comments.at("A1"), "2");
    EXPECT_EQ(Saved("Music").Comments.at("A1"), "4");
    EXPECT_EQ(status.Log[1], "status: Добавление новго листа...");
    EXPECT_EQ(spreadsheet.Calls, (Lines{"Create:Fake.Application.1", "Visible:0", "Open:/books/list.xlsx", "AddSheet",
                                        "SetName:Новый", "AddComment:A1", "Save", "Close", "Quit"}));
}

TEST_F(ExportDriverTest, TheCommentOfAnExistingSheetGivesTheStartRow) {
    const std::pair<std::optional<std::string>, int> cases[] = {
        // The comment (nothing: none on A1), the first data row.
        {"7", 8}, {" 7\n", 8}, {"", 2}, {"seven", 2}, {"7a", 2}, {"0", 2}, {"-3", 2}, {std::nullopt, 2},
    };
    AddRows({{"/m/A1/X/01.mp3"}});
    SetColumns({{"Title", "%p0n[-4]%", false, false, true, ""}});
    for (const auto& [comment, firstRow] : cases) {
        SCOPED_TRACE(comment.value_or("(none)"));
        FakeSheetData old{"Music", {{{5, 1}, "old"}}};
        if (comment) old.Comments["A1"] = *comment;
        spreadsheet.Files[kBook] = FakeBookData{{FakeSheetData{"Other"}, old}};
        ASSERT_EQ(Export(Existing("Music")), ExportResult::Done);
        const FakeSheetData& sheet = Saved("Music");
        EXPECT_EQ(Layout(sheet, 1).at(0), "0:Title");
        EXPECT_EQ(sheet.Cells.at({firstRow, 1}), "01");
        EXPECT_EQ(sheet.Cells.at({5, 1}), "old");
        EXPECT_EQ(sheet.Comments.at("A1"), std::to_string(firstRow));
        EXPECT_TRUE(Saved("Other").Cells.empty());
    }
}

TEST_F(ExportDriverTest, WithoutAGroupedColumnEveryCheckedRowTakesOneSheetRow) {
    // Group on the last column only is cleared before writing, and the settings keep it cleared.
    for (const bool lastGrouped : {false, true}) {
        SCOPED_TRACE(lastGrouped);
        list.Rows().clear();
        AddRows({{"/m/A1/X/01.mp3"}, {"/m/A1/X/02.mp3"}, {"/m/A1/Y/03.mp3", false}, {"/m/A2/Y/04.mp3"}});
        SetColumns({{"Artist", "%p2%", false, false, true, ""}, {"Album", "%p1%", lastGrouped, false, true, ""}});
        ASSERT_EQ(Export(NewBook()), ExportResult::Done);
        const FakeSheetData& sheet = Saved("Music");
        EXPECT_EQ(Layout(sheet, 2), (Lines{"0:Artist|Album", "0:A1|X", "0:A1|X", "0:A2|Y"}));
        EXPECT_TRUE(sheet.Groups.empty());
        EXPECT_EQ(sheet.Comments.at("A1"), "4");
        EXPECT_FALSE(settings.ExportColumns[1].Group);
    }
}

TEST_F(ExportDriverTest, AGroupedColumnAfterAnUngroupedOneIsTheFirstOutlineLevel) {
    // Album alone grouped, after the artist: each album's group ends on its last title row.
    AddRows(kTwoArtists);
    settings.ExportColumns[0].Group = false;
    ASSERT_EQ(Export(NewBook()), ExportResult::Done);
    const FakeSheetData& sheet = Saved("Music");
    EXPECT_EQ(Layout(sheet), (Lines{"0:Artist|Album|Title", "0:A1|X|", "1:||01", "1:A1||02", "0:A1|Y|", "1:||03",
                                    "0:A2|Z|", "1:||04", "1:A2||05", "0:A2|W|", "1:||06"}));
    EXPECT_EQ(sheet.Groups, (Lines{"B3:B4", "B6:B6", "B8:B9", "B11:B11"}));
    EXPECT_EQ(sheet.Comments.at("A1"), "11");
}

TEST_F(ExportDriverTest, HyperlinksLeadToTheFileUrlOfTheRowOrToTheNetworkAddressScript) {
    AddRows({{"/m/Кино/a b#1%.mp3"}, {"/m/A-Z_.~/x+y.mp3"}});
    SetColumns({
        {"Local", "%p0n[-4]%", false, true, true, ""},
        {"Net", "%p1%", false, true, false, "http://host/%p1%/%p0%"},
    });
    ASSERT_EQ(Export(NewBook()), ExportResult::Done);

    const FakeSheetData& sheet = Saved("Music");
    EXPECT_EQ(Layout(sheet, 2), (Lines{"0:Local|Net", "0:a b#1%|Кино", "0:x+y|A-Z_.~"}));
    const std::map<std::pair<int, int>, std::string> links = {
        {{2, 1}, "file:///m/%D0%9A%D0%B8%D0%BD%D0%BE/a%20b%231%25.mp3"},
        {{2, 2}, "http://host/Кино/a b#1%.mp3"},
        {{3, 1}, "file:///m/A-Z_.~/x%2By.mp3"},
        {{3, 2}, "http://host/A-Z_.~/x+y.mp3"},
    };
    EXPECT_EQ(sheet.Links, links);
}

TEST_F(ExportDriverTest, AnUncheckedRowIsTheLookAheadThatClosesTheGroupBeforeIt) {
    AddRows({{"/m/A1/X/01.mp3"}, {"/m/A1/Y/02.mp3", false}, {"/m/A1/Z/03.mp3"}});
    ASSERT_EQ(Export(NewBook()), ExportResult::Done);
    const FakeSheetData& sheet = Saved("Music");
    EXPECT_EQ(Layout(sheet), (Lines{"0:Artist|Album|Title", "0:A1||", "1:|X|", "2:||01", "1:|Z|", "2:||03", "1:||"}));
    EXPECT_EQ(sheet.Groups, (Lines{"B4:B4", "A3:A7", "B6:B6"}));

    // After the last checked row it is the empty look-ahead row that closes: an unchecked row of
    // the same artist would leave the artist's group open.
    list.Rows()[2].Checked = false;
    ASSERT_EQ(Export(NewBook()), ExportResult::Done);
    EXPECT_EQ(Layout(Saved("Music")), (Lines{"0:Artist|Album|Title", "0:A1||", "1:|X|", "2:||01", "1:||"}));
    EXPECT_EQ(Saved("Music").Groups, (Lines{"A3:A5", "B4:B4"}));
}

TEST_F(ExportDriverTest, TheProgressReachesExactly100WithTheLastCheckedRow) {
    // 11 checked rows: 100 / 11 * 11 is not 100 in floating point.
    std::vector<ListRow> rows;
    for (int i = 0; i < 15; ++i) rows.push_back({"/m/A/B/" + std::to_string(i) + ".mp3", i != 0 && i % 4 != 3});
    AddRows(rows);
    ASSERT_EQ(list.CountCheckedRows(), 11);
    ASSERT_EQ(Export(NewBook()), ExportResult::Done);

    ASSERT_EQ(status.Progress.size(), 11u);
    for (std::size_t n = 1; n <= 11; ++n) EXPECT_DOUBLE_EQ(status.Progress[n - 1].second, 100.0 * n / 11);
    EXPECT_EQ(status.Progress.front().first, "/m/A/B/1.mp3");
    EXPECT_EQ(status.Progress.back(), (std::pair<std::string, double>("/m/A/B/14.mp3", 100.0)));
}

TEST_F(ExportDriverTest, AGroupThatBeginsWithAnEmptyValueStartsAtItsFirstRow) {
    // The album is empty on the first row and on the first row of the second artist: no album
    // row is written, and the album's group holds its title rows from the first one on.
    SetColumns({
        {"Artist", "%t3%", true, false, true, ""},
        {"Album", "%t2%", true, false, true, ""},
        {"Title", "%t1%", false, false, true, ""},
    });
    AddRows({
        {"/m/1.mp3", true, "A1", "", "t1"},
        {"/m/2.mp3", true, "A1", "", "t2"},
        {"/m/3.mp3", true, "A1", "X", "t3"},
        {"/m/4.mp3", true, "A2", "", "t4"},
        {"/m/5.mp3", true, "A2", "Y", "t5"},
    });
    ASSERT_EQ(Export(NewBook()), ExportResult::Done);

    const FakeSheetData& sheet = Saved("Music");
    EXPECT_EQ(Layout(sheet), (Lines{
                                 "0:Artist|Album|Title",
                                 "0:A1||",
                                 "2:||t1",
                                 "2:||t2",
                                 "1:|X|",
                                 "2:||t3",
                                 "1:||",
                                 "0:A2||",
                                 "2:||t4",
                                 "1:|Y|",
                                 "2:||t5",
                                 "1:||",
                             }));
    EXPECT_EQ(sheet.Groups, (Lines{"B3:B4", "A3:A7", "B6:B6", "B9:B9", "A9:A12", "B11:B11"}));
    EXPECT_EQ(sheet.Comments.at("A1"), "12");
}

TEST_F(ExportDriverTest, AMissingTemplateOrOneWithoutTheA1CommentStillGivesANewWorkbook) {
    // A template that is on disk but cannot be opened stops the export.
    enum Template { Missing, WithoutComment, Unreadable };
    test::TempDir install;
    AddRows({{"/m/A1/X/01.mp3"}});
    SetColumns({{"Title", "%p0n[-4]%", false, false, true, ""}});
    for (const Template t : {Missing, WithoutComment, Unreadable}) {
        SCOPED_TRACE(static_cast<int>(t));
        spreadsheet.Files.clear();
        spreadsheet.Calls.clear();
        if (t == WithoutComment)
            spreadsheet.Files[TemplatePath()] = FakeBookData{{FakeSheetData{"Лист1", {{{9, 9}, "kept"}}}}};
        if (t == Unreadable) {
            settings.Path = install.Path();
            test::WriteFile(TemplatePath(), "not a workbook");
        }
        const ExportResult result = Export(NewBook());

        const auto called = [&](const char* call) { return std::ranges::count(spreadsheet.Calls, call) == 1; };
        EXPECT_EQ(called("AddWorkbook"), t == Missing);
        EXPECT_EQ(called("AddComment:A1"), t != Unreadable);
        if (t == Unreadable) {
            EXPECT_EQ(result, ExportResult::Failed);
            ASSERT_EQ(host.Messages.size(), 1u);
            EXPECT_EQ(host.Messages[0].Text, ExportFailedText(kBook, "cannot read " + TemplatePath()));
            continue;
        }
        ASSERT_EQ(result, ExportResult::Done);
        EXPECT_EQ(Saved("Music").Cells.at({2, 1}), "01");
        EXPECT_EQ(Saved("Music").Comments.at("A1"), "2");
        if (t == WithoutComment) {
            EXPECT_EQ(Saved("Music").Cells.at({9, 9}), "kept");
            EXPECT_TRUE(spreadsheet.Files.at(TemplatePath()).Sheets[0].Comments.empty());  // the template stays
        }
    }
}

TEST_F(ExportDriverTest, AFailureClosesTheWorkbookUnsavedQuitsAndNamesTheWorkbookAndTheReason) {
    struct Case {
        const char* Failing;  // the call the application refuses
        bool NewBook;
        bool BookOpened;  // the workbook was open when it failed
    };
    const Case cases[] = {
        {"Create", false, false}, {"Open", false, false},  {"SheetItem", false, true},
        {"SetCell", false, true}, {"Group", false, true},  {"SetComment", false, true},
        {"Save", false, true},    {"SetName", true, true}, {"SaveAs", true, true},
    };
    AddRows(kTwoArtists);
    FakeSheetData old{"Music", {{{1, 1}, "old"}}};
    old.Comments["A1"] = "1";
    const FakeBookData existing{{old}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Failing);
        spreadsheet.Files[kBook] = existing;
        if (c.NewBook) spreadsheet.Files.erase(kBook);
        spreadsheet.Calls.clear();
        spreadsheet.Failing = {c.Failing};
        host.Messages.clear();
        status.Log.clear();

        EXPECT_EQ(Export(c.NewBook ? NewBook() : Existing("Music")), ExportResult::Failed);
        ASSERT_EQ(host.Messages.size(), 1u);
        EXPECT_EQ(host.Messages[0].Text, ExportFailedText(kBook, std::string(c.Failing) + " refused"));
        EXPECT_EQ(host.Messages[0].Caption, "Tagmora");
        EXPECT_EQ(host.Messages[0].Icon, MessageIcon::Error);
        EXPECT_EQ(status.Log.back(), "total");
        EXPECT_EQ(list.RowCount(), 6);
        if (c.NewBook) {
            EXPECT_FALSE(spreadsheet.Files.contains(kBook));
        } else {
            EXPECT_EQ(spreadsheet.Files.at(kBook), existing);
        }
        if (std::string(c.Failing) != "Create") {
            EXPECT_EQ(spreadsheet.Calls.back(), "Quit");
            EXPECT_EQ(std::count(spreadsheet.Calls.begin(), spreadsheet.Calls.end(), "Close"), c.BookOpened ? 1 : 0);
        }
    }
    spreadsheet.Failing.clear();
    spreadsheet.CreatesNone = true;
    host.Messages.clear();
    EXPECT_EQ(Export(Existing("Music")), ExportResult::Failed);
    EXPECT_EQ(host.Messages.at(0).Text, ExportFailedText(kBook, "не удалось запустить Fake.Application.1"));
    EXPECT_EQ(list.RowCount(), 6);
    EXPECT_EQ(ExportFailedText("/b/x.xlsx", "why"), "Экспорт в книгу \"/b/x.xlsx\" не выполнен: why");
}

TEST_F(ExportDriverTest, WithoutASpreadsheetApplicationNothingHappens) {
    AddRows(kTwoArtists);
    spreadsheet.Id.reset();
    settings.ExportColumns[2].Group = true;
    EXPECT_EQ(Export(NewBook()), ExportResult::NoApplication);
    EXPECT_EQ(list.RowCount(), 6);
    EXPECT_TRUE(settings.ExportColumns[2].Group);
    EXPECT_TRUE(host.Messages.empty());
    EXPECT_TRUE(status.Log.empty());
    EXPECT_TRUE(spreadsheet.Calls.empty());
    std::vector<std::string> names{"stale"};
    EXPECT_EQ(ListWorkbookSheets(spreadsheet, kBook, names), -1);
    EXPECT_TRUE(names.empty());
}

TEST_F(ExportDriverTest, ListWorkbookSheetsGivesTheSheetsInOrderOrMinusOneWhenTheBookCannotBeOpened) {
    spreadsheet.Files[kBook] = FakeBookData{{FakeSheetData{"Первый"}, FakeSheetData{"Second"}, FakeSheetData{"3"}}};
    std::vector<std::string> names;
    EXPECT_EQ(ListWorkbookSheets(spreadsheet, kBook, names), 3);
    EXPECT_EQ(names, (Lines{"Первый", "Second", "3"}));
    EXPECT_EQ(spreadsheet.Calls,
              (Lines{"Create:Fake.Application.1", "Visible:0", "Open:/books/list.xlsx", "Close", "Quit"}));
    EXPECT_EQ(ListWorkbookSheets(spreadsheet, "/books/missing.xlsx", names), -1);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(spreadsheet.Calls.back(), "Quit");
}

}  // namespace
}  // namespace tagmora
