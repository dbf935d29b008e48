// libFuzzer target for the workbook engine. The first byte chooses what the rest is: the whole
// file (0), or one part of an otherwise sound workbook (1 workbook, 2 worksheet, 3 workbook
// relationships, 4 worksheet relationships, 5 comments, 6 content types, 7 shared strings). The
// workbook is opened, its cells and comments read, changed, saved and opened again: nothing may
// crash, every refusal is a SpreadsheetError, and a saved workbook opens and reads back what was
// written.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "export/XlsxWorkbook.h"

namespace {

using tagmora::SpreadsheetError;
using tagmora::Worksheet;
namespace xlsx = tagmora::xlsx;

const char* const kParts[] = {"",
                              "xl/workbook.xml",
                              "xl/_rels/workbook.xml.rels",
                              "xl/_rels/workbook.xml.rels",
                              "xl/worksheets/_rels/sheet1.xml.rels",
                              "xl/comments1.xml",
                              "[Content_Types].xml",
                              "xl/sharedStrings.xml"};

std::string SoundWorkbook(int mode, const std::string& part) {
    auto package = xlsx::NewWorkbookPackage();
    const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    package->Put("xl/_rels/workbook.xml.rels",
                 "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
                 "Id=\"rId1\" Type=\"" +
                     rel +
                     "worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId3\" "
                     "Type=\"" +
                     rel + "sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>");
    package->Put("xl/sharedStrings.xml", "<sst><si><t>shared</t></si><si><r><t>ru</t></r><r><t>ns</t></r></si></sst>");
    package->Put("xl/worksheets/sheet1.xml",
                 "<worksheet xmlns:r=\"" + rel.substr(0, rel.size() - 1) +
                     "\"><sheetData><row r=\"1\"><c r=\"A1\" "
                     "t=\"s\"><v>1</v></c><c r=\"B1\"><v>2.5</v></c></row></sheetData><legacyDrawing r:id=\"rId2\"/>"
                     "</worksheet>");
    package->Put("xl/worksheets/_rels/sheet1.xml.rels", "<Relationships><Relationship Id=\"rId1\" Type=\"" + rel +
                                                            "comments\" Target=\"../comments1.xml\"/>"
                                                            "<Relationship Id=\"rId2\" Type=\"" +
                                                            rel +
                                                            "vmlDrawing\" Target=\"../drawings/vmlDrawing1.vml\"/>"
                                                            "</Relationships>");
    package->Put("xl/comments1.xml",
                 "<comments><authors><author/></authors><commentList><comment ref=\"A1\" "
                 "authorId=\"0\"><text><t>7</t></text></comment></commentList></comments>");
    package->Put("xl/drawings/vmlDrawing1.vml", "<xml><o:idmap data=\"1\"/><v:shape id=\"_x0000_s1025\"/></xml>");
    package->Put(mode == 2 ? "xl/worksheets/sheet1.xml" : kParts[mode], part);
    return package->Write();
}

void ReadAll(tagmora::Workbook& book) {
    for (int i = 1; i <= book.WorksheetCount(); ++i) {
        Worksheet& sheet = book.WorksheetItem(i);
        try {
            for (int row = 1; row <= 6; ++row)
                for (int column = 1; column <= 4; ++column) {
                    (void)sheet.CellValue(row, column);
                    (void)sheet.CommentText(xlsx::CellAddress(row, column));
                }
        } catch (const SpreadsheetError&) {}
        (void)sheet.Name();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const int mode = data[0] % 8;
    std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (mode != 0) bytes = SoundWorkbook(mode, bytes);
    static const std::string path = std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/fuzz_xlsx-" +
                                    std::to_string(::getpid()) + ".xlsx";
    bool saved = false;
    bool added = false;
    try {
        xlsx::BookModel book(xlsx::Package::FromBytes(std::move(bytes)), path);
        ReadAll(book);
        Worksheet& sheet = book.ActiveSheet();
        const auto attempt = [](auto call) {
            try {
                call();
            } catch (const SpreadsheetError&) {}
        };
        attempt([&] { sheet.SetCellValue(3, 2, "x\x01y"); });
        attempt([&] { sheet.GroupRows("A2:A4"); });
        attempt([&] { sheet.AddComment("C3"); });
        attempt([&] { sheet.SetCommentText("C3", "9"); });
        attempt([&] { sheet.AddHyperlink(4, 1, "https://example.org/", "link"); });
        attempt([&] {
            book.AddSheet().SetCellValue(1, 1, "new");
            added = true;
        });
        book.Save();
        saved = true;
    } catch (const SpreadsheetError&) {}
    if (saved) {
        // What was saved opens again, and the new sheet reads back.
        std::string again;
        FILE* file = std::fopen(path.c_str(), "rb");
        if (file == nullptr) std::abort();
        char buffer[65536];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) again.append(buffer, n);
        std::fclose(file);
        try {
            xlsx::BookModel book(xlsx::Package::FromBytes(std::move(again)), path);
            ReadAll(book);
            if (added && book.ActiveSheet().CellValue(1, 1) != "new") std::abort();
        } catch (const SpreadsheetError&) {
            std::abort();
        }
    }
    ::unlink(path.c_str());
    return 0;
}
