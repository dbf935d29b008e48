// tagmora-make-template: writes the template workbook of the export (a sheet "Music" with an
// empty comment on A1) with the built-in workbook engine. Run by the build; not installed.
#include <cstdio>

#include "export/XlsxEngine.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tagmora-make-template OUTPUT.xlsx\n");
        return 2;
    }
    try {
        auto provider = tagmora::MakeBuiltInSpreadsheet();
        auto application = provider->CreateApplication(*provider->ProgId());
        tagmora::Workbook& book = application->AddWorkbook();
        tagmora::Worksheet& sheet = book.ActiveSheet();
        sheet.SetName("Music");
        sheet.AddComment("A1");
        book.SaveAs(argv[1]);
        book.Close();
        application->Quit();
    } catch (const tagmora::SpreadsheetError& e) {
        std::fprintf(stderr, "%s: %s\n", argv[1], e.what());
        return 1;
    }
    return 0;
}
