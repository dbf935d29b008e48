// Test support: a spreadsheet application in memory. Its "files" are workbooks kept by path
// (opening copies one, saving copies it back); it records the calls that shape a workbook and
// refuses every call named in Failing, as a real application refuses a sheet name or a file.
#pragma once

#include <cctype>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "export/Spreadsheet.h"

namespace tagmora::test {

struct FakeSheetData {
    std::string Name;
    std::map<std::pair<int, int>, std::string> Cells = {};  // (row, column) -> value
    std::map<std::pair<int, int>, std::string> Links = {};  // (row, column) -> link address
    std::map<std::string, std::string> Comments = {};       // by cell address
    std::map<int, int> Levels = {};                         // outline level by row
    std::vector<std::string> Groups = {};                   // the grouped ranges, in order
    bool operator==(const FakeSheetData&) const = default;
};

struct FakeBookData {
    std::vector<FakeSheetData> Sheets = {};
    std::size_t Active = 0;
    bool operator==(const FakeBookData&) const = default;
};

struct FakeSpreadsheetState {
    std::map<std::string, FakeBookData> Files;
    // "Create:<id>", "Visible:0", "Open:<path>", "AddWorkbook", "AddSheet", "SetName:<name>",
    // "AddComment:<cell>", "Save", "SaveAs:<path>", "Close", "Quit".
    std::vector<std::string> Calls;
    // Refused calls: the names above before the colon, and "SheetItem", "SetCell", "Group",
    // "SetComment", "AddHyperlink".
    std::set<std::string> Failing;

    void Call(const std::string& name, const std::string& entry = {}) {
        if (Failing.contains(name)) throw SpreadsheetError(name + " refused");
        if (!entry.empty()) Calls.push_back(entry);
    }
    static void Check(bool ok, const std::string& why) {
        if (!ok) throw SpreadsheetError(why);
    }
};

class FakeSheet : public Worksheet {
public:
    FakeSheet(FakeSpreadsheetState& state, FakeSheetData data) : Data(std::move(data)), s_(state) {}
    FakeSheetData Data;

    std::string Name() const override { return Data.Name; }
    void SetName(const std::string& name) override {
        s_.Call("SetName", "SetName:" + name);
        Data.Name = name;
    }
    std::string CellValue(int row, int column) const override {
        const auto found = Data.Cells.find({row, column});
        return found == Data.Cells.end() ? std::string() : found->second;
    }
    void SetCellValue(int row, int column, const std::string& value) override {
        s_.Call("SetCell");
        s_.Check(row >= 1 && column >= 1, "no such cell");
        Data.Cells[{row, column}] = value;
    }
    void GroupRows(const std::string& address) override {
        s_.Call("Group");
        const auto rowOf = [](const std::string& cell) {
            return std::stoi(cell.substr(cell.find_first_of("0123456789")));
        };
        const int first = rowOf(address.substr(0, address.find(':'))),
                  last = rowOf(address.substr(address.find(':') + 1));
        s_.Check(first >= 1 && last >= first, "bad range " + address);
        for (int row = first; row <= last; ++row) ++Data.Levels[row];
        Data.Groups.push_back(address);
    }
    std::optional<std::string> CommentText(const std::string& address) const override {
        const auto found = Data.Comments.find(address);
        return found == Data.Comments.end() ? std::nullopt : std::optional(found->second);
    }
    void AddComment(const std::string& address) override {
        s_.Call("AddComment", "AddComment:" + address);
        s_.Check(!Data.Comments.contains(address), "a comment is there");
        Data.Comments[address] = "";
    }
    void SetCommentText(const std::string& address, const std::string& text) override {
        s_.Call("SetComment");
        s_.Check(Data.Comments.contains(address), "no comment");
        Data.Comments[address] = text;
    }
    void AddHyperlink(int row, int column, const std::string& address, const std::string& text) override {
        s_.Call("AddHyperlink");
        Data.Cells[{row, column}] = text;
        Data.Links[{row, column}] = address;
    }

private:
    FakeSpreadsheetState& s_;
};

class FakeBook : public Workbook {
public:
    FakeBook(FakeSpreadsheetState& state, std::string path, const FakeBookData& data)
        : s_(state), path_(std::move(path)), active_(data.Active) {
        for (const FakeSheetData& sheet : data.Sheets) sheets_.push_back(std::make_unique<FakeSheet>(state, sheet));
    }
    Worksheet& ActiveSheet() override { return *sheets_.at(active_); }
    int WorksheetCount() const override { return static_cast<int>(sheets_.size()); }
    Worksheet& WorksheetItem(int index) override { return *sheets_.at(static_cast<std::size_t>(index - 1)); }
    Worksheet& SheetItem(const std::string& name) override {
        s_.Call("SheetItem");
        const auto folded = [](std::string s) {
            for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            return s;
        };
        for (auto& sheet : sheets_) {
            if (folded(sheet->Name()) == folded(name)) return *sheet;
        }
        throw SpreadsheetError("no sheet " + name);
    }
    Worksheet& AddSheet() override {
        s_.Call("AddSheet", "AddSheet");
        const auto at = sheets_.begin() + static_cast<std::ptrdiff_t>(active_);
        return **sheets_.insert(at, std::make_unique<FakeSheet>(s_, FakeSheetData{"Sheet"}));
    }
    void Save() override {
        s_.Call("Save", "Save");
        s_.Files[path_] = Snapshot();
    }
    void SaveAs(const std::string& path) override {
        s_.Call("SaveAs", "SaveAs:" + path);
        s_.Files[path_ = path] = Snapshot();
    }
    void Close() override { s_.Call("Close", "Close"); }

private:
    FakeBookData Snapshot() const {
        FakeBookData data{{}, active_};
        for (const auto& sheet : sheets_) data.Sheets.push_back(sheet->Data);
        return data;
    }

    FakeSpreadsheetState& s_;
    std::string path_;
    std::size_t active_;
    std::vector<std::unique_ptr<FakeSheet>> sheets_;
};

class FakeApplication : public SpreadsheetApplication {
public:
    explicit FakeApplication(FakeSpreadsheetState& state) : s_(state) {}
    void SetVisible(bool visible) override { s_.Call("Visible", visible ? "Visible:1" : "Visible:0"); }
    Workbook& OpenWorkbook(const std::string& path) override {
        s_.Call("Open", "Open:" + path);
        const auto found = s_.Files.find(path);
        s_.Check(found != s_.Files.end(), "cannot read " + path);
        return *books_.emplace_back(std::make_unique<FakeBook>(s_, path, found->second));
    }
    Workbook& AddWorkbook() override {
        s_.Call("AddWorkbook", "AddWorkbook");
        return *books_.emplace_back(std::make_unique<FakeBook>(s_, "", FakeBookData{{FakeSheetData{"Sheet1"}}}));
    }
    void Quit() override { s_.Call("Quit", "Quit"); }

private:
    FakeSpreadsheetState& s_;
    std::vector<std::unique_ptr<FakeBook>> books_;
};

// The provider: answers Id (nothing: no application installed) and creates fake applications.
class FakeSpreadsheet : public SpreadsheetProvider, public FakeSpreadsheetState {
public:
    std::optional<std::string> ProgId() const override { return Id; }
    std::unique_ptr<SpreadsheetApplication> CreateApplication(const std::string& progId) override {
        Call("Create", "Create:" + progId);
        return CreatesNone ? nullptr : std::make_unique<FakeApplication>(*this);
    }
    std::optional<std::string> Id = "Fake.Application.1";
    bool CreatesNone = false;  // an application the provider cannot create
};

}  // namespace tagmora::test
