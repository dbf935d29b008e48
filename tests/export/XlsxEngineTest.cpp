// The built-in workbook engine: round trips through save and reopen, refusals, failed saves and
// malformed files.
#include "export/XlsxEngine.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <map>

#include "AccessOverride.h"
#include "TestFiles.h"
#include "export/XlsxPackage.h"
#include "export/XlsxText.h"
#include "export/XlsxWorkbook.h"

namespace tagmora {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

class XlsxEngineTest : public ::testing::Test {
protected:
    // Saves a new workbook made by `fill` and reopens it.
    template <typename Fill>
    Workbook& RoundTrip(Fill fill) {
        Workbook& book = app_->AddWorkbook();
        fill(book);
        book.SaveAs(dir_ / "book.xlsx");
        book.Close();
        return app_->OpenWorkbook(dir_ / "book.xlsx");
    }
    // A part of the saved file.
    std::string Part(const std::string& file, const std::string& name) {
        return xlsx::Package::FromBytes(ReadFile(file))->Read(name);
    }
    pugi::xml_document Xml(const std::string& file, const std::string& name) {
        pugi::xml_document doc;
        const std::string text = Part(file, name);
        EXPECT_TRUE(doc.load_buffer(text.data(), text.size())) << name;
        return doc;
    }
    std::string ErrorOf(const std::function<void()>& call) {
        try {
            call();
        } catch (const SpreadsheetError& e) {
            return e.what();
        }
        return "(no error)";
    }

    TempDir dir_;
    std::unique_ptr<SpreadsheetProvider> provider_ = MakeBuiltInSpreadsheet();
    std::unique_ptr<SpreadsheetApplication> app_ = provider_->CreateApplication(kBuiltInSpreadsheetProgId);
};

TEST_F(XlsxEngineTest, ProviderNamesItsOwnApplicationOnly) {
    EXPECT_EQ(provider_->ProgId(), std::optional<std::string>(kBuiltInSpreadsheetProgId));
    EXPECT_THROW(provider_->CreateApplication("Excel.Application.8"), SpreadsheetError);
}

TEST_F(XlsxEngineTest, CellTextsRoundTrip) {
    // Two literals: in one, "\x07c" would read as a single character and leave the bell out.
    constexpr char kControls[] =
        "nul\0bell\x07"
        "cr\rdel\x7f";
    const struct {
        int Row, Column;
        std::string Text;
    } cells[] = {
        {1, 3, "Title"},
        {1, 1, "Artist"},  // set out of column order
        {2, 1, "Кино — Группа крови"},
        {3, 2, std::string(xlsx::kMaxCellUnits, 'x')},
        {4, 1, "  spaced\tand\nbroken  "},
        {5, 1, std::string(kControls, sizeof kControls - 1)},
        {6, 1, "_x0041_ is not A"},
        {7, 16384, "last column"},
        {1048576, 1, "last row"},
        {8, 1, "\xEF\xBF\xBF noncharacter"},
        {9, 2, ""},
    };
    const std::string notUtf8 = "bad \xC3 byte";
    Workbook& book = RoundTrip([&](Workbook& b) {
        for (const auto& c : cells) b.ActiveSheet().SetCellValue(c.Row, c.Column, c.Text);
        b.ActiveSheet().SetCellValue(10, 1, notUtf8);
    });
    EXPECT_EQ(book.ActiveSheet().CellValue(10, 1), "bad \xEF\xBF\xBD byte");
    for (const auto& c : cells) EXPECT_EQ(book.ActiveSheet().CellValue(c.Row, c.Column), c.Text) << c.Row;
    EXPECT_EQ(book.ActiveSheet().CellValue(1, 2), "");
    EXPECT_EQ(book.ActiveSheet().CellValue(100, 1), "");
    EXPECT_THROW(book.ActiveSheet().SetCellValue(0, 1, "x"), SpreadsheetError);
    // The cells of a row stand in column order, as the format wants.
    auto doc = Xml(dir_ / "book.xlsx", "xl/worksheets/sheet1.xml");
    EXPECT_STREQ(doc.select_node("//row[@r='1']/c[1]").node().attribute("r").value(), "A1");
    EXPECT_STREQ(doc.select_node("//row[@r='1']/c[2]").node().attribute("r").value(), "C1");
    EXPECT_STREQ(doc.select_node("//dimension").node().attribute("ref").value(), "A1:XFD1048576");
}

TEST_F(XlsxEngineTest, GroupedRowsGetOutlineLevels) {
    RoundTrip([](Workbook& b) {
        Worksheet& sheet = b.ActiveSheet();
        sheet.SetCellValue(3, 1, "x");
        sheet.GroupRows("A2:A6");
        sheet.GroupRows("B3:B4");
        for (int i = 0; i < 8; ++i) sheet.GroupRows("C10");
        sheet.GroupRows("5:5");
    });
    auto doc = Xml(dir_ / "book.xlsx", "xl/worksheets/sheet1.xml");
    std::map<int, int> levels;
    for (auto row : doc.select_nodes("//row"))
        levels[row.node().attribute("r").as_int()] = row.node().attribute("outlineLevel").as_int();
    EXPECT_EQ(levels, (std::map<int, int>{{2, 1}, {3, 2}, {4, 2}, {5, 2}, {6, 1}, {10, 7}}));
    EXPECT_EQ(doc.select_node("//sheetFormatPr").node().attribute("outlineLevelRow").as_int(), 7);
    EXPECT_EQ(app_->OpenWorkbook(dir_ / "book.xlsx").ActiveSheet().CellValue(3, 1), "x");
    EXPECT_THROW(app_->AddWorkbook().ActiveSheet().GroupRows("A0:B"), SpreadsheetError);
}

TEST_F(XlsxEngineTest, CommentsRoundTripAndRefuseASecond) {
    Workbook& book = RoundTrip([](Workbook& b) {
        b.ActiveSheet().AddComment("A1");
        b.ActiveSheet().SetCommentText("A1", "12");
        EXPECT_THROW(b.ActiveSheet().AddComment("A1:B2"), SpreadsheetError);
        EXPECT_THROW(b.ActiveSheet().SetCommentText("B1", "x"), SpreadsheetError);
    });
    Worksheet& sheet = book.ActiveSheet();
    EXPECT_EQ(sheet.CommentText("A1"), std::optional<std::string>("12"));
    EXPECT_EQ(sheet.CommentText("B7"), std::nullopt);
    EXPECT_THROW(sheet.AddComment("A1"), SpreadsheetError);
    // A second comment joins the existing parts; both have their drawing shape.
    sheet.AddComment("B7");
    sheet.SetCommentText("B7", "строка\nвторая\x01");
    sheet.SetCommentText("A1", "13");
    book.Save();
    book.Close();
    Worksheet& again = app_->OpenWorkbook(dir_ / "book.xlsx").ActiveSheet();
    EXPECT_EQ(again.CommentText("A1"), std::optional<std::string>("13"));
    EXPECT_EQ(again.CommentText("B7"), std::optional<std::string>("строка\nвторая\x01"));
    const std::string vml = Part(dir_ / "book.xlsx", "xl/drawings/vmlDrawing1.vml");
    EXPECT_NE(vml.find("_x0000_s1025"), std::string::npos);
    EXPECT_NE(vml.find("_x0000_s1026"), std::string::npos);
    EXPECT_NE(vml.find("<x:Row>6</x:Row><x:Column>1</x:Column>"), std::string::npos);
    EXPECT_EQ(Xml(dir_ / "book.xlsx", "xl/worksheets/sheet1.xml").select_nodes("//legacyDrawing").size(), 1u);
}

TEST_F(XlsxEngineTest, ACommentReplacesADanglingCommentsRelationship) {
    auto package = xlsx::NewWorkbookPackage();
    package->Put("xl/worksheets/_rels/sheet1.xml.rels",
                 "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
                 "Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/comments\" "
                 "Target=\"../missing.xml\"/></Relationships>");
    WriteFile(dir_ / "dangling.xlsx", package->Write());
    Workbook& book = app_->OpenWorkbook(dir_ / "dangling.xlsx");
    EXPECT_EQ(book.ActiveSheet().CommentText("A1"), std::nullopt);
    book.ActiveSheet().AddComment("A1");
    book.ActiveSheet().SetCommentText("A1", "5");
    book.Save();
    EXPECT_EQ(app_->OpenWorkbook(dir_ / "dangling.xlsx").ActiveSheet().CommentText("A1"),
              std::optional<std::string>("5"));
}

TEST_F(XlsxEngineTest, HyperlinksAreExternalRelationships) {
    Workbook& book = RoundTrip([](Workbook& b) {
        b.ActiveSheet().AddHyperlink(4, 3, "file:///music/old.mp3", "old");
        b.ActiveSheet().AddHyperlink(4, 3, "file:///music/a%20b.mp3", "a b.mp3");
        b.ActiveSheet().AddHyperlink(5, 3, "https://example.org/?a=1&b=2", "web");
        b.ActiveSheet().AddHyperlink(6, 3, "file:///music/\x01\xFF.mp3", "odd");
    });
    EXPECT_EQ(book.ActiveSheet().CellValue(4, 3), "a b.mp3");
    std::map<std::string, std::string> links{{"C4", "file:///music/a%20b.mp3"},
                                             {"C5", "https://example.org/?a=1&b=2"},
                                             {"C6", "file:///music/%01%EF%BF%BD.mp3"}};
    // Links written by this run and by an earlier one are replaced alike, their targets going too.
    for (int round = 0; round < 2; ++round) {
        auto sheet = Xml(dir_ / "book.xlsx", "xl/worksheets/sheet1.xml");
        auto rels = Xml(dir_ / "book.xlsx", "xl/worksheets/_rels/sheet1.xml.rels");
        ASSERT_EQ(sheet.select_nodes("//hyperlink").size(), links.size());
        EXPECT_EQ(rels.select_nodes("//Relationship").size(), links.size());
        for (const auto& [ref, target] : links) {
            const std::string id =
                sheet.select_node(("//hyperlink[@ref='" + ref + "']").c_str()).node().attribute("r:id").value();
            auto rel = rels.select_node(("//Relationship[@Id='" + id + "']").c_str()).node();
            EXPECT_EQ(rel.attribute("Target").value(), target) << ref;
            EXPECT_STREQ(rel.attribute("TargetMode").value(), "External");
        }
        book.ActiveSheet().AddHyperlink(5, 3, "https://example.org/b", "b");
        book.ActiveSheet().AddHyperlink(7, 3, "https://example.org/c", "c");
        book.Save();
        links["C5"] = "https://example.org/b";
        links["C7"] = "https://example.org/c";
    }
    auto sheet = Xml(dir_ / "book.xlsx", "xl/worksheets/sheet1.xml");
    // The hyperlinks stand after the cells and before the page margins.
    EXPECT_STREQ(sheet.select_node("//hyperlinks").node().previous_sibling().name(), "sheetData");
    EXPECT_STREQ(sheet.select_node("//hyperlinks").node().next_sibling().name(), "pageMargins");
}

// A save killed half-way leaves its temporary file; the next save of the book removes it once it
// is old enough to belong to no save still running.
TEST_F(XlsxEngineTest, ASaveClearsTheLeftoversOfAKilledSave) {
    RoundTrip([](Workbook& b) { b.ActiveSheet().SetCellValue(1, 1, "x"); }).Close();
    for (const char* name : {".book.xlsx.tmp-old123", ".book.xlsx.tmp-new456"}) test::WriteFile(dir_ / name, "half");
    std::filesystem::last_write_time(dir_ / ".book.xlsx.tmp-old123",
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    app_->OpenWorkbook(dir_ / "book.xlsx").Save();
    EXPECT_FALSE(std::filesystem::exists(dir_ / ".book.xlsx.tmp-old123"));
    EXPECT_TRUE(std::filesystem::exists(dir_ / ".book.xlsx.tmp-new456"));
}

TEST_F(XlsxEngineTest, AddedSheetsGoBeforeTheActiveOne) {
    Workbook& book = RoundTrip([](Workbook& b) {
        b.ActiveSheet().SetName("Музыка");
        b.AddSheet().SetName("Second");   // before Музыка, active
        Worksheet& third = b.AddSheet();  // before Second
        EXPECT_EQ(third.Name(), "Sheet3");
        EXPECT_EQ(&b.ActiveSheet(), &third);
        third.SetCellValue(1, 1, "third");
    });
    ASSERT_EQ(book.WorksheetCount(), 3);
    std::vector<std::string> names;
    for (int i = 1; i <= 3; ++i) names.push_back(book.WorksheetItem(i).Name());
    EXPECT_EQ(names, (std::vector<std::string>{"Sheet3", "Second", "Музыка"}));
    EXPECT_EQ(book.ActiveSheet().CellValue(1, 1), "third");
    EXPECT_EQ(&book.SheetItem("мУЗЫКА"), &book.WorksheetItem(3));
    EXPECT_THROW(book.SheetItem("Nothing"), SpreadsheetError);
    EXPECT_THROW(book.WorksheetItem(0), SpreadsheetError);
    EXPECT_THROW(book.WorksheetItem(4), SpreadsheetError);
    // Only the active sheet is selected.
    EXPECT_EQ(Xml(dir_ / "book.xlsx", "xl/worksheets/sheet3.xml").select_nodes("//sheetView[@tabSelected]").size(), 1u);
    EXPECT_EQ(Xml(dir_ / "book.xlsx", "xl/worksheets/sheet2.xml").select_nodes("//sheetView[@tabSelected]").size(), 0u);
}

TEST_F(XlsxEngineTest, SheetNamesAreRefusedByTheRules) {
    Workbook& book = app_->AddWorkbook();
    book.AddSheet().SetName("Other");
    Worksheet& sheet = book.WorksheetItem(2);
    for (const std::string bad : {"", "a[b", "a]b", "a:b", "a*b", "a?b", "a/b", "a\\b", "'quoted", "quoted'", "OTHER",
                                  "другое имя листа длиннее тридцати одного", "tab\there", "bad \xFF byte"}) {
        EXPECT_THROW(sheet.SetName(bad), SpreadsheetError) << bad;
        EXPECT_EQ(sheet.Name(), "Sheet1");
    }
    for (const std::string& good :
         std::vector<std::string>{"SHEET1", "it's", std::string(31, 'x'), "Лист с именем ровно в 31 символ"}) {
        sheet.SetName(good);
        EXPECT_EQ(sheet.Name(), good);
    }
}

TEST_F(XlsxEngineTest, OpenedWorkbookKeepsWhatItDoesNotChange) {
    // A workbook as another program might write it: a styled formula cell, merged cells,
    // conditional formats, a defined name local to the second sheet, a part the engine does not know.
    auto package = xlsx::NewWorkbookPackage();
    package->Put(
        "xl/worksheets/sheet1.xml",
        "<?xml version=\"1.0\"?>\n<x:worksheet xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<x:sheetViews><x:sheetView workbookViewId=\"0\"/></x:sheetViews><x:sheetData>"
        "<x:row r=\"2\" ht=\"30\" customHeight=\"1\"><x:c r=\"A2\" s=\"3\"><x:f>1+1</x:f><x:v>2</x:v></x:c>"
        "<x:c r=\"B2\" t=\"b\"><x:v>1</x:v></x:c><x:c r=\"D2\"><x:f t=\"shared\" ref=\"D2:D3\" si=\"0\">B2"
        "</x:f><x:v>1</x:v></x:c></x:row><x:row spans=\"1:2\"><x:c t=\"str\"><x:v> kept </x:v></x:c>"
        "<x:c s=\"1\"><x:v>4.5</x:v></x:c><x:c r=\"D3\"><x:f t=\"shared\" si=\"0\"/><x:v>0</x:v></x:c></x:row>"
        "</x:sheetData>"
        "<x:mergeCells count=\"1\"><x:mergeCell ref=\"D1:E1\"/></x:mergeCells>"
        "<x:conditionalFormatting sqref=\"A1\"><x:cfRule type=\"expression\" priority=\"1\"><x:formula>TRUE"
        "</x:formula></x:cfRule></x:conditionalFormatting><x:pageMargins left=\"1\" right=\"1\" top=\"1\" "
        "bottom=\"1\" header=\"0\" footer=\"0\"/><x:extLst/></x:worksheet>");
    package->Put("xl/custom/blob.bin", std::string("\x00\x01 raw \xff", 8));
    const std::string workbookXml =
        "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheets><sheet xmlns:r=\""
        "http://schemas.openxmlformats.org/officeDocument/2006/relationships\" name=\"S\" sheetId=\"1\" r:id=\"rId1\"/>"
        "</sheets></workbook>";
    package->Put("xl/workbook.xml", workbookXml);
    package->Put("xl/calcChain.xml", "<calcChain><c r=\"A2\" i=\"1\"/></calcChain>");
    package->Put("xl/_rels/workbook.xml.rels",
                 "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
                 "Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
                 "Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId3\" Type=\"http://schemas.openxmlformats.org/"
                 "officeDocument/2006/relationships/calcChain\" Target=\"calcChain.xml\"/></Relationships>");
    WriteFile(dir_ / "theirs.xlsx", package->Write());
    {
        Workbook& book = app_->OpenWorkbook(dir_ / "theirs.xlsx");
        Worksheet& sheet = book.ActiveSheet();
        EXPECT_EQ(sheet.CellValue(2, 1), "2");
        EXPECT_EQ(sheet.CellValue(2, 2), "TRUE");
        EXPECT_EQ(sheet.CellValue(3, 1), " kept ");
        EXPECT_EQ(sheet.CellValue(3, 2), "4.5");
        sheet.SetCellValue(2, 1, "text now");
        sheet.SetCellValue(3, 3, "new");
        sheet.SetCellValue(2, 4, "master gone");
        sheet.AddHyperlink(1, 1, "https://example.org/", "link");
        book.Save();
        book.Close();
    }
    auto doc = Xml(dir_ / "theirs.xlsx", "xl/worksheets/sheet1.xml");
    auto a2 = doc.select_node("//x:c[@r='A2']").node();
    EXPECT_STREQ(a2.attribute("s").value(), "3");
    EXPECT_FALSE(a2.child("x:f"));
    EXPECT_STREQ(doc.select_node("//x:row[@r='2']").node().attribute("ht").value(), "30");
    // The cell that shared the replaced master's formula keeps its value, not a formula without text.
    EXPECT_FALSE(doc.select_node("//x:c[@r='D3']/x:f"));
    EXPECT_STREQ(doc.select_node("//x:c[@r='D3']/x:v").node().text().get(), "0");
    std::vector<std::string> row3;
    for (auto cell : doc.select_nodes("//x:row[@r='3']/x:c")) row3.push_back(cell.node().attribute("r").value());
    EXPECT_EQ(row3, (std::vector<std::string>{"A3", "B3", "C3", "D3"}));
    EXPECT_FALSE(doc.select_node("//x:row[@r='3']").node().attribute("spans"));  // it got a cell outside
    std::vector<std::string> order;
    for (auto child : doc.document_element().children()) order.push_back(child.name());
    EXPECT_EQ(order, (std::vector<std::string>{"x:sheetViews", "x:sheetData", "x:mergeCells", "x:conditionalFormatting",
                                               "x:hyperlinks", "x:pageMargins", "x:extLst"}));
    EXPECT_EQ(Part(dir_ / "theirs.xlsx", "xl/custom/blob.bin"), std::string("\x00\x01 raw \xff", 8));
    EXPECT_EQ(Part(dir_ / "theirs.xlsx", "xl/workbook.xml"), workbookXml);
    // A formula is gone, so is the calculation chain that listed it (the programs rebuild it).
    EXPECT_FALSE(xlsx::Package::FromBytes(ReadFile(dir_ / "theirs.xlsx"))->Has("xl/calcChain.xml"));
    EXPECT_EQ(Part(dir_ / "theirs.xlsx", "xl/_rels/workbook.xml.rels").find("calcChain"), std::string::npos);
    Worksheet& sheet = app_->OpenWorkbook(dir_ / "theirs.xlsx").ActiveSheet();
    EXPECT_EQ(sheet.CellValue(2, 1), "text now");
    EXPECT_EQ(sheet.CellValue(3, 1), " kept ");
    EXPECT_EQ(sheet.CellValue(3, 3), "new");
}

TEST_F(XlsxEngineTest, AddedSheetShiftsSheetLocalNames) {
    auto package = xlsx::NewWorkbookPackage();
    package->Put("xl/workbook.xml",
                 "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                 "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><bookViews>"
                 "<workbookView activeTab=\"0\"/></bookViews><sheets><sheet name=\"One\" sheetId=\"7\" r:id=\"rId1\"/>"
                 "</sheets><definedNames><definedName name=\"_xlnm.Print_Area\" localSheetId=\"0\">One!$A$1:$B$2"
                 "</definedName><definedName name=\"Global\">One!$A$1</definedName></definedNames></workbook>");
    package->Put(
        "_rels/.rels",
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
        "Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
        "Target=\"xl/workbook.xml\"/><Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/"
        "officeDocument/2006/relationships/extended-properties\" Target=\"docProps/app.xml\"/></Relationships>");
    package->Put("docProps/app.xml",
                 "<Properties><Application>X</Application><HeadingPairs/><TitlesOfParts/></Properties>");
    WriteFile(dir_ / "names.xlsx", package->Write());
    Workbook& book = app_->OpenWorkbook(dir_ / "names.xlsx");
    EXPECT_EQ(book.AddSheet().Name(), "Sheet2");
    book.Save();
    auto doc = Xml(dir_ / "names.xlsx", "xl/workbook.xml");
    EXPECT_EQ(doc.select_node("//definedName[@name='_xlnm.Print_Area']").node().attribute("localSheetId").as_int(), 1);
    EXPECT_FALSE(doc.select_node("//definedName[@name='Global']").node().attribute("localSheetId"));
    EXPECT_EQ(doc.select_node("//sheet[@name='Sheet2']").node().attribute("sheetId").as_int(), 8);
    EXPECT_EQ(doc.select_node("//workbookView").node().attribute("activeTab").as_int(), 0);
    // The sheet list of the document properties, out of date now, is gone; the rest stays.
    EXPECT_EQ(Part(dir_ / "names.xlsx", "docProps/app.xml"), "<Properties><Application>X</Application></Properties>");
}

TEST_F(XlsxEngineTest, ChartsheetsAreNoWorksheetsButStay) {
    auto package = xlsx::NewWorkbookPackage();
    const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    package->Put("xl/workbook.xml",
                 "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" xmlns:r=\"" +
                     rel.substr(0, rel.size() - 1) +
                     "\"><bookViews><workbookView activeTab=\"1\"/></bookViews><sheets><sheet name=\"One\" "
                     "sheetId=\"1\" r:id=\"rId1\"/><sheet name=\"Chart\" sheetId=\"2\" r:id=\"rId5\"/></sheets>"
                     "</workbook>");
    package->Put("xl/_rels/workbook.xml.rels",
                 "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
                 "Id=\"rId1\" Type=\"" +
                     rel +
                     "worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship "
                     "Id=\"rId5\" Type=\"" +
                     rel + "chartsheet\" Target=\"chartsheets/sheet1.xml\"/></Relationships>");
    package->Put("xl/chartsheets/sheet1.xml", "<chartsheet/>");
    WriteFile(dir_ / "chart.xlsx", package->Write());
    Workbook& book = app_->OpenWorkbook(dir_ / "chart.xlsx");
    EXPECT_EQ(book.WorksheetCount(), 1);
    EXPECT_EQ(book.ActiveSheet().Name(), "One");  // the active chart is no worksheet
    EXPECT_THROW(book.SheetItem("Chart"), SpreadsheetError);
    EXPECT_THROW(book.ActiveSheet().SetName("chart"), SpreadsheetError);
    EXPECT_EQ(book.AddSheet().Name(), "Sheet3");  // before the active chart
    book.Save();
    auto doc = Xml(dir_ / "chart.xlsx", "xl/workbook.xml");
    std::vector<std::string> names;
    for (auto sheet : doc.select_nodes("//sheet")) names.push_back(sheet.node().attribute("name").value());
    EXPECT_EQ(names, (std::vector<std::string>{"One", "Sheet3", "Chart"}));
    EXPECT_EQ(Part(dir_ / "chart.xlsx", "xl/chartsheets/sheet1.xml"), "<chartsheet/>");
    EXPECT_EQ(app_->OpenWorkbook(dir_ / "chart.xlsx").WorksheetCount(), 2);
}

TEST_F(XlsxEngineTest, MalformedFilesAreRefusedWithAReason) {
    std::string good;
    {
        Workbook& book = app_->AddWorkbook();
        book.ActiveSheet().SetCellValue(1, 1, std::string(5000, 'a'));
        book.SaveAs(dir_ / "good.xlsx");
        good = ReadFile(dir_ / "good.xlsx");
    }
    const auto packageWith = [](const std::string& name, const std::string& bytes) {
        auto package = xlsx::NewWorkbookPackage();
        package->Put(name, bytes);
        return package->Write();
    };
    xlsx::Package onlyText;
    onlyText.Put("readme.txt", "no workbook");
    const struct {
        const char* Name;
        std::string Bytes;
        const char* Reason;
    } cases[] = {
        {"empty.xlsx", "", "не архив ZIP"},
        {"text.xlsx", "just some text, not a zip at all", "не архив ZIP"},
        {"truncated.xlsx", good.substr(0, good.size() / 2), "не архив ZIP"},
        {"nobook.xlsx", onlyText.Write(), "нет книги"},
        {"brokenbook.xlsx", packageWith("xl/workbook.xml", "<workbook><sheets>"), "xl/workbook.xml повреждена"},
        {"norels.xlsx", packageWith("_rels/.rels", "<Relationships/>"), "нет книги"},
        {"nosheets.xlsx", packageWith("xl/workbook.xml", "<workbook><sheets/></workbook>"), "нет ни одного листа"},
    };
    for (const auto& c : cases) {
        WriteFile(dir_ / c.Name, c.Bytes);
        const std::string error = ErrorOf([&] { app_->OpenWorkbook(dir_ / c.Name); });
        EXPECT_EQ(error.rfind("Не удалось открыть книгу: ", 0), 0u) << c.Name << ": " << error;
        EXPECT_NE(error.find(c.Reason), std::string::npos) << c.Name << ": " << error;
    }
    EXPECT_EQ(ErrorOf([&] { app_->OpenWorkbook(dir_ / "missing.xlsx"); }),
              "Не удалось открыть книгу: нет такого файла или папки");
    // A broken sheet opens; using it is refused.
    WriteFile(dir_ / "brokensheet.xlsx", packageWith("xl/worksheets/sheet1.xml", "<worksheet><sheetData><row>"));
    Workbook& book = app_->OpenWorkbook(dir_ / "brokensheet.xlsx");
    EXPECT_NE(ErrorOf([&] { book.ActiveSheet().CellValue(1, 1); }).find("Не удалось прочитать лист «Sheet1»"),
              std::string::npos);
}

// Patches the uncompressed size of `name` in the central directory of the archive.
std::string WithDeclaredSize(std::string zip, const std::string& name, std::uint32_t size) {
    for (auto pos = zip.find("PK\x01\x02"); pos != std::string::npos; pos = zip.find("PK\x01\x02", pos + 4)) {
        const auto nameLength = static_cast<unsigned char>(zip[pos + 28]) | static_cast<unsigned char>(zip[pos + 29])
                                                                                << 8;
        if (zip.compare(pos + 46, nameLength, name) != 0) continue;
        for (int i = 0; i < 4; ++i) zip[pos + 24 + i] = static_cast<char>(size >> (8 * i));
    }
    return zip;
}

TEST_F(XlsxEngineTest, PartSizesAreBounded) {
    const std::string zip = xlsx::NewWorkbookPackage()->Write();
    const struct {
        std::uint32_t Declared;
        const char* Reason;
    } cases[] = {{static_cast<std::uint32_t>(xlsx::kMaxPartSize) + 1, "слишком велика"}, {20, "повреждена"}};
    for (const auto& c : cases) {
        WriteFile(dir_ / "sized.xlsx", WithDeclaredSize(zip, "xl/worksheets/sheet1.xml", c.Declared));
        Workbook& book = app_->OpenWorkbook(dir_ / "sized.xlsx");
        const std::string error = ErrorOf([&] { book.ActiveSheet().CellValue(1, 1); });
        EXPECT_NE(error.find(std::string("xl/worksheets/sheet1.xml ") + c.Reason), std::string::npos) << error;
    }
}

TEST_F(XlsxEngineTest, FailedSaveLeavesTheOldFile) {
    const std::string folder = dir_.MakeDir("locked");
    const std::string path = folder + "/book.xlsx";
    Workbook& book = app_->AddWorkbook();
    book.ActiveSheet().SetCellValue(1, 1, "old");
    book.SaveAs(path);
    const std::string before = ReadFile(path);
    book.ActiveSheet().SetCellValue(1, 1, "new");
    ::chmod(folder.c_str(), 0555);
    const int result = test::RunWithoutAccessOverride([&] {
        const std::string error = ErrorOf([&] { book.Save(); });
        return error == "Не удалось сохранить книгу: нет доступа" ? 0 : 1;
    });
    ::chmod(folder.c_str(), 0755);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(ErrorOf([&] { book.SaveAs(dir_ / "no/such/folder.xlsx"); }),
              "Не удалось сохранить книгу: нет такого файла или папки");
    book.Save();  // the failed SaveAs kept the old file name
    EXPECT_EQ(app_->OpenWorkbook(path).ActiveSheet().CellValue(1, 1), "new");
    EXPECT_THROW(app_->AddWorkbook().Save(), SpreadsheetError);
}

TEST_F(XlsxEngineTest, ClosedWorkbooksAreGone) {
    Workbook& book = app_->AddWorkbook();
    book.Close();
    EXPECT_THROW(book.ActiveSheet(), SpreadsheetError);
    app_->AddWorkbook().ActiveSheet().SetCellValue(1, 1, "x");
    app_->Quit();
}

TEST(XlsxTextTest, AddressesAndEscapes) {
    const struct {
        const char* Address;
        bool Ok;
        xlsx::CellRange Range;
    } ranges[] = {
        {"A1", true, {1, 1, 1, 1}},
        {"$B$3:A10", true, {3, 1, 10, 2}},
        {"XFD1048576", true, {1048576, 16384, 1048576, 16384}},
        {"5:17", true, {5, 1, 17, 16384}},
        {"XFE1", false, {}},
        {"A0", false, {}},
        {"A1048577", false, {}},
        {"1A", false, {}},
        {"", false, {}},
        {"A1:", false, {}},
    };
    for (const auto& r : ranges) {
        xlsx::CellRange got;
        ASSERT_EQ(xlsx::ParseRange(r.Address, got), r.Ok) << r.Address;
        if (r.Ok) {
            EXPECT_EQ(std::tie(got.FirstRow, got.FirstColumn, got.LastRow, got.LastColumn),
                      std::tie(r.Range.FirstRow, r.Range.FirstColumn, r.Range.LastRow, r.Range.LastColumn))
                << r.Address;
        }
    }
    EXPECT_EQ(xlsx::CellAddress(12, 28), "AB12");
    EXPECT_EQ(xlsx::EscapeCellText("a\x01_x0041_\r"), "a_x0001__x005F_x0041__x000D_");
    EXPECT_EQ(xlsx::UnescapeCellText("_x005F_x0041_ _x0041_ _x41_"), "_x0041_ A _x41_");
}

}  // namespace
}  // namespace tagmora
