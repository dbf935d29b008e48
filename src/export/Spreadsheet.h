// The spreadsheet application as the export sees it: the object model calls it makes (application,
// workbooks, sheets, cells, ranges, row groups, comments, hyperlinks), and the provider that names
// and creates the application. The built-in workbook engine (XlsxEngine.h) implements it on .xlsx
// files; tests may put a few lines in its place. The export never learns the file format.
//
// A call the application refuses (a sheet name it does not allow, a file it cannot open or save)
// throws SpreadsheetError with a text that says why, in Russian for the window and in English for the
// command line; it never ends the program.
#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

namespace tagmora {

class SpreadsheetError : public std::runtime_error {
public:
    // The reason as the window shows it (what()) and as the command line says it.
    SpreadsheetError(const std::string& text, std::string english)
        : std::runtime_error(text), english_(std::move(english)) {}
    // A reason that reads the same for both.
    explicit SpreadsheetError(const std::string& text) : SpreadsheetError(text, text) {}
    // Both reasons after a lead-in: "Не удалось сохранить книгу: " / "cannot save the workbook: ".
    SpreadsheetError(const std::string& text, const std::string& english, const SpreadsheetError& cause)
        : SpreadsheetError(text + cause.what(), english + cause.English()) {}
    const std::string& English() const { return english_; }

private:
    std::string english_;
};

// One worksheet. Rows and columns are 1-based; an address is A1 notation ("A1", "B3:B17").
class Worksheet {
public:
    virtual ~Worksheet() = default;

    // "Name".
    virtual std::string Name() const = 0;
    // "Name" set. Refused: empty, longer than 31 characters, one of []:*?/\ in it, an apostrophe
    // first or last, or the name of another sheet of the workbook (ignoring case); the built-in
    // engine also refuses control characters and bytes that are no UTF-8.
    virtual void SetName(const std::string& name) = 0;

    // "Cells"(row, column): the value as text (empty for an empty cell): a text as it is, a number
    // as the workbook stores it ("4.5"), a truth value as "TRUE" or "FALSE".
    virtual std::string CellValue(int row, int column) const = 0;
    // "Cells"(row, column) set: the text is stored as a text cell, exactly as given up to the
    // 32,767 characters (UTF-16 units) a cell holds, cut on a whole character beyond them. An empty
    // text leaves the cell blank; a cell that was there keeps its style.
    virtual void SetCellValue(int row, int column, const std::string& value) = 0;

    // "Cells" "Range"(address) "Rows" "Group": the rows of the range go one outline level deeper
    // (at most 7 levels).
    virtual void GroupRows(const std::string& address) = 0;

    // "Cells" "Range"(address) "Comment" "Text": the comment of the range's first cell; nothing
    // when the cell has no comment.
    virtual std::optional<std::string> CommentText(const std::string& address) const = 0;
    // "Cells" "Range"(address) "AddComment": an empty comment on the range's first cell. Refused
    // when the cell has one already.
    virtual void AddComment(const std::string& address) = 0;
    // "Cells" "Range"(address) "Comment" "Text"(text): replaces the comment's text. Refused when
    // the cell has no comment.
    virtual void SetCommentText(const std::string& address, const std::string& text) = 0;

    // "Hyperlinks" "Add"(Anchor: "Cells"(row, column), Address, TextToDisplay): the cell shows
    // `textToDisplay` (the address when that is empty) and links to `address`: a URL, such as a
    // file URL, or a network share path ("\\server\share\a.mp3").
    virtual void AddHyperlink(int row, int column, const std::string& address, const std::string& textToDisplay) = 0;
};

// One open workbook. Its worksheets stay valid until Close.
class Workbook {
public:
    virtual ~Workbook() = default;

    // "ActiveSheet".
    virtual Worksheet& ActiveSheet() = 0;
    // "Worksheets" "Count".
    virtual int WorksheetCount() const = 0;
    // "Worksheets"(index): 1-based, in sheet order. Refused outside 1..WorksheetCount().
    virtual Worksheet& WorksheetItem(int index) = 0;
    // "Sheets" "Item"(name): the sheet of that name (ignoring case). Refused when there is none.
    virtual Worksheet& SheetItem(const std::string& name) = 0;
    // "Sheets" "Add": a new empty worksheet right before the active one, which it becomes.
    virtual Worksheet& AddSheet() = 0;

    // "Save": to the file it was opened from (or last saved as). The file is replaced in one
    // step (temporary file, then rename): a failed save leaves the old file as it was. A file the
    // user may not write, or that is read-only (no write permission for its owner), is refused.
    virtual void Save() = 0;
    // "SaveAs"(path): as Save, to `path`, which becomes the workbook's file.
    virtual void SaveAs(const std::string& path) = 0;
    // "Close": without saving. The workbook and its sheets are not used afterwards.
    virtual void Close() = 0;
};

// The application: "Visible", "Workbooks" and "Quit".
class SpreadsheetApplication {
public:
    virtual ~SpreadsheetApplication() = default;
    // "Visible" set.
    virtual void SetVisible(bool visible) = 0;
    // "Workbooks" "Open"(path). Parts of the file that the application does not change are kept
    // as they are when it is saved. Refused (with the reason) when it cannot be read.
    virtual Workbook& OpenWorkbook(const std::string& path) = 0;
    // "Workbooks" "Add": a new workbook of one empty worksheet, not yet saved (SaveAs names it).
    virtual Workbook& AddWorkbook() = 0;
    // "Quit": closes what is still open, unsaved.
    virtual void Quit() = 0;
};

// The installed spreadsheet application, as the system's registry names it.
class SpreadsheetProvider {
public:
    virtual ~SpreadsheetProvider() = default;
    // GetSpreadsheetProgId: the application's program identifier; nothing when none is installed.
    virtual std::optional<std::string> ProgId() const = 0;
    // Creates the application by its program identifier.
    virtual std::unique_ptr<SpreadsheetApplication> CreateApplication(const std::string& progId) = 0;
};

}  // namespace tagmora
