// Test support: a spreadsheet application in memory. Its "files" are workbooks kept in a map by
// path (opening copies one, saving copies it back); it records the calls that shape a workbook and
// refuses any call named in Failing, as a real application refuses a sheet name or a file.
#pragma once

#include <algorithm>
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

// The state the fake application works on.
struct FakeSpreadsheetState {
    std::map<std::string, FakeBookData> Files;
    // "Create:<id>", "Visible:0", "Open:<path>", "AddWorkbook", "AddSheet", "SetName:<name>", "AddComment:<cell>",
    // "Save", "SaveAs:<path>", "Close", "Quit".
    std::vector<std::string> Calls;
    // Calls refused: "Create", "Open", "AddWorkbook", "SheetItem", "AddSheet", "SetName", "SetCell",
    // "Group", "AddComment", "SetComment", "AddHyperlink", "Save", "SaveAs".
    std::set<std::string> Failing;

    // Refuses the call when it is failing, then records `entry` (unless empty).
    void Call(const std::string& name, const std::string& entry = {}) {
        if (Failing.contains(name)) throw SpreadsheetError(name + " refused");
        if (!entry.empty()) Calls.push_back(entry);
    }
};

class FakeSheet : public Worksheet {
public:
    FakeSheet(FakeSpreadsheetState& state, FakeSheetData data) : Data(std::move(data)), state_(&state) {}
    FakeSheetData Data;

    std::string Name() const override { return Data.Name; }
    void SetName(const std::string& name) override {
        state_->Call("SetName", "SetName:" + name);
        if (name.empty()) throw SpreadsheetError("empty sheet name");
        Data.Name = name;
    }
    std::string CellValue(int row, int column) const override {
        const auto found = Data.Cells.find({row, column});
        return found == Data.Cells.end() ? std::string() : found->second;
    }
    void SetCellValue(int row, int column, const std::string& value) override {
        state_->Call("SetCell");
        Check(row >= 1 && column >= 1, "no such cell");
        Data.Cells[{row, column}] = value;
    }
    void GroupRows(const std::string& address) override {
        state_->Call("Group");
        const auto colon = address.find(':');
        const int first = RowOf(address.substr(0, colon));
        const int last = colon == std::string::npos ? first : RowOf(address.substr(colon + 1));
        Check(first >= 1 && last >= first, "bad range " + address);
        for (int row = first; row <= last; ++row) ++Data.Levels[row];
        Data.Groups.push_back(address);
    }
    std::optional<std::string> CommentText(const std::string& address) const override {
        const auto found = Data.Comments.find(address);
        if (found == Data.Comments.end()) return std::nullopt;
        return found->second;
    }
    void AddComment(const std::string& address) override {
        state_->Call("AddComment", "AddComment:" + address);
        Check(!Data.Comments.contains(address), "a comment is there");
        Data.Comments[address] = "";
    }
    void SetCommentText(const std::string& address, const std::string& text) override {
        state_->Call("SetComment");
        Check(Data.Comments.contains(address), "no comment");
        Data.Comments[address] = text;
    }
    void AddHyperlink(int row, int column, const std::string& address, const std::string& text) override {
        state_->Call("AddHyperlink");
        Check(row >= 1 && column >= 1, "no such cell");
        Data.Cells[{row, column}] = text;
        Data.Links[{row, column}] = address;
    }

    static void Check(bool ok, const std::string& why) {
        if (!ok) throw SpreadsheetError(why);
    }
    // The row number of an A1 address (0 when it has none).
    static int RowOf(const std::string& cell) {
        const auto digits = cell.find_first_of("0123456789");
        return digits == std::string::npos ? 0 : std::stoi(cell.substr(digits));
    }

private:
    FakeSpreadsheetState* state_;
};

class FakeBook : public Workbook {
public:
    FakeBook(FakeSpreadsheetState& state, std::string path, const FakeBookData& data)
        : state_(state), path_(std::move(path)), active_(data.Active) {
        for (const FakeSheetData& sheet : data.Sheets) sheets_.push_back(std::make_unique<FakeSheet>(state, sheet));
    }
    Worksheet& ActiveSheet() override { return *sheets_.at(active_); }
    int WorksheetCount() const override { return static_cast<int>(sheets_.size()); }
    Worksheet& WorksheetItem(int index) override {
        FakeSheet::Check(index >= 1 && index <= WorksheetCount(), "no such sheet");
        return *sheets_[static_cast<std::size_t>(index - 1)];
    }
    Worksheet& SheetItem(const std::string& name) override {
        state_.Call("SheetItem");
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
        state_.Call("AddSheet", "AddSheet");
        sheets_.insert(
            sheets_.begin() + static_cast<std::ptrdiff_t>(active_),
            std::make_unique<FakeSheet>(state_, FakeSheetData{"Sheet" + std::to_string(sheets_.size() + 1)}));
        return *sheets_[active_];
    }
    void Save() override {
        state_.Call("Save", "Save");
        FakeSheet::Check(!path_.empty(), "never saved");
        state_.Files[path_] = Snapshot();
    }
    void SaveAs(const std::string& path) override {
        state_.Call("SaveAs", "SaveAs:" + path);
        path_ = path;
        state_.Files[path_] = Snapshot();
    }
    void Close() override { state_.Call("Close", "Close"); }

private:
    FakeBookData Snapshot() const {
        FakeBookData data{{}, active_};
        for (const auto& sheet : sheets_) data.Sheets.push_back(sheet->Data);
        return data;
    }

    FakeSpreadsheetState& state_;
    std::string path_;
    std::size_t active_;
    std::vector<std::unique_ptr<FakeSheet>> sheets_;
};

class FakeApplication : public SpreadsheetApplication {
public:
    explicit FakeApplication(FakeSpreadsheetState& state) : state_(state) {}
    void SetVisible(bool visible) override { state_.Call("Visible", visible ? "Visible:1" : "Visible:0"); }
    Workbook& OpenWorkbook(const std::string& path) override {
        state_.Call("Open", "Open:" + path);
        const auto found = state_.Files.find(path);
        if (found == state_.Files.end()) throw SpreadsheetError("cannot read " + path);
        return *books_.emplace_back(std::make_unique<FakeBook>(state_, path, found->second));
    }
    Workbook& AddWorkbook() override {
        state_.Call("AddWorkbook", "AddWorkbook");
        return *books_.emplace_back(std::make_unique<FakeBook>(state_, "", FakeBookData{{FakeSheetData{"Sheet1"}}}));
    }
    void Quit() override { state_.Call("Quit", "Quit"); }

private:
    FakeSpreadsheetState& state_;
    std::vector<std::unique_ptr<FakeBook>> books_;
};

// The provider: answers Id (nothing: no application installed) and creates fake applications.
class FakeSpreadsheet : public SpreadsheetProvider, public FakeSpreadsheetState {
public:
    std::optional<std::string> ProgId() const override { return Id; }
    std::unique_ptr<SpreadsheetApplication> CreateApplication(const std::string& progId) override {
        Call("Create", "Create:" + progId);
        return std::make_unique<FakeApplication>(*this);
    }
    std::optional<std::string> Id = "Fake.Application.1";
};

}  // namespace tagmora::test
