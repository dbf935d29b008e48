// xlsx-tool: drives the built-in workbook engine from lines on standard input, for the interop
// test. One operation a line, fields separated by tabs, in each field \\, \t, \n and \xHH stand for
// a backslash, a tab, a line feed and the byte HH:
//   new | open PATH | active | item N | sheet NAME | addsheet | rename NAME | names
//   set ROW COL TEXT | get ROW COL | group RANGE | comment ADDR | commenttext ADDR TEXT
//   getcomment ADDR | link ROW COL URL TEXT | save | saveas PATH | close
// Reads print one line (escaped the same way); a refused call prints "error<TAB>reason".
#include <iostream>
#include <string>
#include <vector>

#include "export/XlsxEngine.h"

namespace {

std::string Unescape(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 >= field.size()) {
            out += field[i];
            continue;
        }
        const char c = field[++i];
        if (c == 'n') {
            out += '\n';
        } else if (c == 't') {
            out += '\t';
        } else if (c == 'x' && i + 2 < field.size()) {
            out += static_cast<char>(std::stoi(field.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::string Escape(const std::string& value) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : value) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20) {
            out += std::string("\\x") + kHex[c >> 4] + kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const auto tab = line.find('\t', start);
        fields.push_back(Unescape(line.substr(start, tab - start)));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

}  // namespace

int main() {
    using namespace tagmora;
    auto provider = MakeBuiltInSpreadsheet();
    auto application = provider->CreateApplication(kBuiltInSpreadsheetProgId);
    Workbook* book = nullptr;
    Worksheet* sheet = nullptr;
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line.empty()) continue;
        const auto f = Fields(line);
        const auto arg = [&](std::size_t i) -> const std::string& {
            if (i >= f.size()) throw SpreadsheetError("missing argument");
            return f[i];
        };
        const std::string& op = f[0];
        try {
            if (op != "new" && op != "open" && book == nullptr) throw SpreadsheetError("no workbook open");
            if (op == "new") {
                book = &application->AddWorkbook();
                sheet = &book->ActiveSheet();
            } else if (op == "open") {
                book = &application->OpenWorkbook(arg(1));
                sheet = &book->ActiveSheet();
            } else if (op == "active") {
                sheet = &book->ActiveSheet();
            } else if (op == "item") {
                sheet = &book->WorksheetItem(std::stoi(arg(1)));
            } else if (op == "sheet") {
                sheet = &book->SheetItem(arg(1));
            } else if (op == "addsheet") {
                sheet = &book->AddSheet();
            } else if (op == "rename") {
                sheet->SetName(arg(1));
            } else if (op == "names") {
                std::string out;
                for (int i = 1; i <= book->WorksheetCount(); ++i)
                    out += (i > 1 ? "\t" : "") + Escape(book->WorksheetItem(i).Name());
                std::cout << out << '\n';
            } else if (op == "set") {
                sheet->SetCellValue(std::stoi(arg(1)), std::stoi(arg(2)), arg(3));
            } else if (op == "get") {
                std::cout << Escape(sheet->CellValue(std::stoi(arg(1)), std::stoi(arg(2)))) << '\n';
            } else if (op == "group") {
                sheet->GroupRows(arg(1));
            } else if (op == "comment") {
                sheet->AddComment(arg(1));
            } else if (op == "commenttext") {
                sheet->SetCommentText(arg(1), arg(2));
            } else if (op == "getcomment") {
                const auto text = sheet->CommentText(arg(1));
                std::cout << (text ? Escape(*text) : std::string("(none)")) << '\n';
            } else if (op == "link") {
                sheet->AddHyperlink(std::stoi(arg(1)), std::stoi(arg(2)), arg(3), arg(4));
            } else if (op == "save") {
                book->Save();
            } else if (op == "saveas") {
                book->SaveAs(arg(1));
            } else if (op == "close") {
                book->Close();
                book = nullptr;
                sheet = nullptr;
            } else {
                std::cerr << "unknown operation: " << op << '\n';
                return 2;
            }
        } catch (const SpreadsheetError& e) {
            std::cout << "error\t" << Escape(e.what()) << '\n';
        }
        std::cout.flush();
    }
    application->Quit();
    return 0;
}
