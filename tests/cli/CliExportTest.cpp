// tagmora-cli export on generated folders: a new workbook, appending into it, a further sheet, and
// the failures that leave the workbook as it was. The cells are read back through the engine.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include "CliRunner.h"
#include "RenameFixture.h"
#include "export/XlsxEngine.h"

namespace tagmora {
namespace {

using test::RunCli;
using test::SplitLines;
using Strings = std::vector<std::string>;

// The export columns of the first run: Artist (%p2%, grouped), Album (%p1%, grouped), Title.
class CliExportTest : public test::RenameFixture {
protected:
    CliExportTest() {
        Song("music/A/X/t1.mp3", "1");
        Song("music/A/X/t2.mp3", "2");
        Song("music/A/Y/t3.mp3", "3");
        Song("music/B/Z/t4.mp3", "4");
    }
    std::string Music() const { return dir / "music"; }
    std::string Book() const { return dir / "list.xlsx"; }

    // The values of columns A to C from row 1 to `lastRow` of a sheet, one "a|b|c" text per row,
    // and the comment of A1.
    struct SheetText {
        Strings Rows;
        std::string Comment;
    };
    SheetText Read(const std::string& sheet) const {
        SheetText text;
        auto provider = MakeBuiltInSpreadsheet();
        auto application = provider->CreateApplication(*provider->ProgId());
        Workbook& book = application->OpenWorkbook(Book());
        Worksheet& ws = book.SheetItem(sheet);
        text.Comment = ws.CommentText("A1").value_or("<none>");
        const int last = std::stoi(text.Comment);
        for (int row = 1; row <= last; ++row)
            text.Rows.push_back(ws.CellValue(row, 1) + "|" + ws.CellValue(row, 2) + "|" + ws.CellValue(row, 3));
        book.Close();
        application->Quit();
        return text;
    }
    test::TempDir config;
};

// The outline of one export of the four files (rows 2 to 12 of a new sheet).
const Strings kOneExport = {"A||", "|X|", "||t1", "||t2", "|Y|", "||t3", "||", "B||", "|Z|", "||t4", "||"};

TEST_F(CliExportTest, MakesANewBookThenAppendsAndAddsSheets) {
    auto r = RunCli({"export", "--book", Book(), Music()}, config.Path());
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(SplitLines(r.Out), Strings{Book() + "\tMusic"});
    SheetText sheet = Read("Music");
    Strings expected = {"Artist|Album|Title"};
    expected.insert(expected.end(), kOneExport.begin(), kOneExport.end());
    EXPECT_EQ(sheet.Rows, expected);
    EXPECT_EQ(sheet.Comment, "12");

    // Into the existing book: its sheet "Music", after the rows of the first export.
    r = RunCli({"export", "--book", Book(), Music()}, config.Path());
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    sheet = Read("Music");
    expected.insert(expected.end(), kOneExport.begin(), kOneExport.end());
    EXPECT_EQ(sheet.Rows, expected);
    EXPECT_EQ(sheet.Comment, "23");

    // A sheet name the book lacks adds the sheet; only the checked rows go there.
    r = RunCli({"export", "--where", "File", "~", "t4.mp3", "--book", Book(), "--sheet", "Другой", Music()},
               config.Path());
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    sheet = Read("Другой");
    EXPECT_EQ(sheet.Rows, (Strings{"Artist|Album|Title", "B||", "|Z|", "||t4", "||"}));
    EXPECT_EQ(Read("Music").Comment, "23");
}

TEST_F(CliExportTest, FailuresLeaveTheBookAsItWas) {
    test::WriteFile(Book(), "not a workbook");
    auto r = RunCli({"export", "--book", Book(), Music()}, config.Path());
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find(Book()), std::string::npos) << r.Err;
    EXPECT_EQ(test::ReadFile(Book()), "not a workbook");

    ASSERT_EQ(RunCli({"export", "--book", dir / "new.xlsx", Music()}, config.Path()).ExitCode, 0);
    const std::string before = test::ReadFile(dir / "new.xlsx");
    r = RunCli({"export", "--book", dir / "new.xlsx", "--sheet", "a/b", Music()}, config.Path());
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("new.xlsx"), std::string::npos) << r.Err;
    EXPECT_EQ(test::ReadFile(dir / "new.xlsx"), before);

    r = RunCli({"export", "--mark", "none", "--book", dir / "other.xlsx", Music()}, config.Path());
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_EQ(r.Err, "tagmora-cli export: no file is checked\n");
}

TEST_F(CliExportTest, AForeignBookKeepsItsFirstSheetAndAReadOnlyBookIsRefused) {
    auto provider = MakeBuiltInSpreadsheet();
    auto application = provider->CreateApplication(*provider->ProgId());
    Workbook& theirs = application->AddWorkbook();
    theirs.ActiveSheet().SetName("Data");
    theirs.ActiveSheet().SetCellValue(2, 1, "mine");
    theirs.SaveAs(Book());
    ASSERT_EQ(RunCli({"export", "--book", Book(), Music()}, config.Path()).ExitCode, 0);
    EXPECT_EQ(Read("Music").Comment, "12");
    EXPECT_EQ(application->OpenWorkbook(Book()).SheetItem("Data").CellValue(2, 1), "mine");

    // Refused by the owner's missing write bit, and by the system for a user without root's override.
    const std::string before = test::ReadFile(Book());
    ::chmod(Book().c_str(), 0444);
    for (const bool plainUser : {false, true}) {
        test::CliRunOptions how;
        how.WithoutAccessOverride = plainUser;
        const auto r = test::RunCliWith({"export", "--book", Book(), Music()}, config.Path(), how);
        if (r.ExitCode == 125) GTEST_SKIP() << "cannot drop root's permission override";
        EXPECT_EQ(r.ExitCode, 1);
        EXPECT_EQ(r.Err.rfind("tagmora-cli export: " + Book() + ": not exported: cannot save the workbook: ", 0), 0u)
            << r.Err;
        EXPECT_EQ(test::ReadFile(Book()), before);
    }
}

}  // namespace
}  // namespace tagmora
