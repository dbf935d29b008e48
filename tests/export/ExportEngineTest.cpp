// The workbook export driver against the built-in engine and the template the build made: the
// outline of two artists cell by cell with the outline level of every row, read back from the
// saved file, then appended to and listed.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <string>
#include <vector>

#include "ExportFixture.h"
#include "TestFiles.h"
#include "export/XlsxEngine.h"
#include "export/XlsxPackage.h"

namespace tagmora {
namespace {

using Lines = std::vector<std::string>;

class ExportEngineTest : public test::ExportFixture {
protected:
    ExportEngineTest() { settings.Path = TAGMORA_TEST_DATA_DIR; }

    ExportResult ExportWithEngine(const ExportTarget& target) {
        return ExportToWorkbook(list, settings, target, *engine);
    }
    ExportTarget Target(bool newBook) const { return {book, newBook, "Music", false}; }

    // The only sheet of the saved workbook as the fake keeps one: cells of columns A to C up to
    // the row of the A1 comment, the comment, and the outline levels of the sheet's rows.
    test::FakeSheetData Saved() {
        test::FakeSheetData data{"Music"};
        auto application = engine->CreateApplication(kBuiltInSpreadsheetProgId);
        Worksheet& sheet = application->OpenWorkbook(book).SheetItem("Music");
        data.Comments["A1"] = sheet.CommentText("A1").value_or("(none)");
        const int last = std::stoi(data.Comments["A1"]);
        for (int row = 1; row <= last; ++row) {
            for (int column = 1; column <= 3; ++column) {
                if (std::string value = sheet.CellValue(row, column); !value.empty()) data.Cells[{row, column}] = value;
            }
        }
        const std::string xml = xlsx::Package::FromBytes(test::ReadFile(book))->Read("xl/worksheets/sheet1.xml");
        pugi::xml_document doc;
        EXPECT_TRUE(doc.load_buffer(xml.data(), xml.size()));
        for (const auto& row : doc.select_nodes("//*[local-name()='row'][@outlineLevel]")) {
            data.Levels[row.node().attribute("r").as_int()] = row.node().attribute("outlineLevel").as_int();
        }
        application->Quit();
        return data;
    }

    test::TempDir dir;
    std::string book = dir / "list.xlsx";
    std::unique_ptr<SpreadsheetProvider> engine = MakeBuiltInSpreadsheet();
};

TEST_F(ExportEngineTest, TheOutlineOfTwoArtistsThenAnAppendIntoTheSameSheet) {
    AddRows({{"/m/A1/X/01.mp3"}, {"/m/A1/X/02.mp3"}, {"/m/A1/Y/03.mp3"}, {"/m/A2/Z/04.mp3"}, {"/m/A2/W/05.mp3"}});
    const Lines once = {"0:A1||", "1:|X|", "2:||01", "2:||02", "1:|Y|",  "2:||03", "1:||",
                        "0:A2||", "1:|Z|", "2:||04", "1:|W|",  "2:||05", "1:||"};
    Lines expected = {"0:Artist|Album|Title"};
    expected.insert(expected.end(), once.begin(), once.end());

    ASSERT_EQ(ExportWithEngine(Target(true)), ExportResult::Done);
    EXPECT_EQ(Layout(Saved()), expected);
    EXPECT_EQ(Saved().Comments.at("A1"), "14");

    list.Rows()[4].Checked = false;  // still the look-ahead row of the fourth
    ASSERT_EQ(ExportWithEngine(Target(false)), ExportResult::Done);
    expected.insert(expected.end(), {"0:A1||", "1:|X|", "2:||01", "2:||02", "1:|Y|", "2:||03", "1:||", "0:A2||",
                                     "1:|Z|", "2:||04", "1:||"});
    EXPECT_EQ(Layout(Saved()), expected);
    EXPECT_EQ(Saved().Comments.at("A1"), "25");

    std::vector<std::string> names;
    ASSERT_EQ(ExportWithEngine({book, false, "Второй", true}), ExportResult::Done);
    EXPECT_EQ(ListWorkbookSheets(*engine, book, names), 2);
    EXPECT_EQ(names, (Lines{"Второй", "Music"}));
    EXPECT_TRUE(host.Messages.empty());
}

}  // namespace
}  // namespace tagmora
