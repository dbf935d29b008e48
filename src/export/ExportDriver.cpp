// The workbook export driver: the sheet listing of the export dialog and the export of the checked
// rows into a sheet, with grouped outlines, hyperlinks and appending through the A1 comment.
#include "export/ExportDriver.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/FileHelpers.h"
#include "common/Messages.h"
#include "platform/FileIo.h"
#include "script/Script.h"

namespace tagmora {

namespace {

constexpr const char* kStatusCreating = " Создание обьекта ";
constexpr const char* kStatusAddingSheet = " Добавление новго листа...";
constexpr const char* kStatusExporting = " Экспорт...";
constexpr const char* kStatusClosing = " Закрытие обьекта ";
constexpr const char* kStatusObjectEnd = " ...";
// The cell whose comment holds the last used row of an exported sheet.
constexpr const char* kCommentCell = "A1";

// The A1 address of a cell: the column letters (1 is A, 27 is AA) followed by the row number.
std::string CellAddress(int row, int column) {
    std::string letters;
    for (int c = column; c > 0; c = (c - 1) / 26) {
        letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
    }
    return letters + std::to_string(row);
}

// The file URL of an absolute path: "file://" and the path, every byte other than the unreserved
// characters of a URL and "/" written as %XX: "/m/Ёж 1.mp3" -> "file:///m/%D0%81%D0%B6%201.mp3".
std::string FileUrl(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const auto unreserved = [](unsigned char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
               c == '_' || c == '~' || c == '/';
    };
    std::string url = "file://";
    url.reserve(url.size() + path.size() + path.size() / 2);
    for (std::size_t i = 0; i < path.size(); ++i) {
        std::size_t run = i;  // a run of unreserved characters is copied whole
        while (run < path.size() && unreserved(static_cast<unsigned char>(path[run]))) ++run;
        url.append(path, i, run - i);
        if ((i = run) == path.size()) break;
        const auto c = static_cast<unsigned char>(path[i]);
        url += '%';
        url += kHex[c >> 4];
        url += kHex[c & 0x0F];
    }
    return url;
}

// The start row that the A1 comment of an existing sheet holds: its whole number (blanks around it
// allowed), or 1 when it holds none or no row number (below 1).
int StartRowOf(std::string_view comment) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!comment.empty() && blank(comment.front())) comment.remove_prefix(1);
    while (!comment.empty() && blank(comment.back())) comment.remove_suffix(1);
    std::int32_t value = 0;
    if (!StrToIntCheck(comment, value) || value < 1) return 1;
    return value;
}

// Does nothing name the file at `path` (as opposed to a file that is there but unreadable)?
bool FileIsMissing(const std::string& path) {
    const int error = fileio::StatPath(path).Error;
    return error == ENOENT || error == ENOTDIR;
}

// The look-ahead row: one empty row appended to the list for the time of an export, so that the
// last row has a next row too; removed however the export ends.
class LookAheadRow {
public:
    explicit LookAheadRow(FileList& list) : list_(list), rows_(list.RowCount()) { list_.Rows().emplace_back(); }
    ~LookAheadRow() {
        if (list_.RowCount() > rows_) list_.Rows().pop_back();
    }
    LookAheadRow(const LookAheadRow&) = delete;
    LookAheadRow& operator=(const LookAheadRow&) = delete;
    // The number of rows before it.
    int Rows() const { return rows_; }

private:
    FileList& list_;
    int rows_;
};

// The application with its open workbook. Releasing it closes the workbook (unsaved, when it was
// not saved) and quits the application; failures then change nothing any more and are not shown.
class OpenApplication {
public:
    // Creates the application by its program identifier.
    OpenApplication(SpreadsheetProvider& spreadsheet, const std::string& progId)
        : app_(spreadsheet.CreateApplication(progId)) {
        if (!app_) throw SpreadsheetError("не удалось запустить " + progId, "cannot start " + progId);
    }
    ~OpenApplication() { Release(); }
    OpenApplication(const OpenApplication&) = delete;
    OpenApplication& operator=(const OpenApplication&) = delete;

    SpreadsheetApplication& App() { return *app_; }
    Workbook& Book() { return *book_; }
    void SetBook(Workbook& book) { book_ = &book; }

    void Release() {
        if (book_ != nullptr) {
            try {
                book_->Close();
            } catch (const SpreadsheetError&) {}
            book_ = nullptr;
        }
        if (app_) {
            try {
                app_->Quit();
            } catch (const SpreadsheetError&) {}
            app_.reset();
        }
    }

private:
    std::unique_ptr<SpreadsheetApplication> app_;
    Workbook* book_ = nullptr;
};

// The group state of one export column.
struct GroupState {
    std::string LastValue;  // the value last written in the column
    int GroupStart = 0;     // the first row of its group; 0 while the group has not begun
};

// One export: the steps after the application has been created.
class WorkbookExport {
public:
    WorkbookExport(FileList& list, AppSettings& settings, const ExportTarget& target, OpenApplication& open)
        : list_(list),
          settings_(settings),
          target_(target),
          open_(open),
          columns_(std::clamp(settings.ExcColumnsCount, 0, kMaxExportColumns)) {}

    // Writes the checked rows of the first `rows` rows (the look-ahead row follows them) and saves.
    void Run(int rows) {
        const int startRow = OpenTargetSheet();
        for (int j = 0; j < columns_; ++j) sheet_->SetCellValue(1, j + 1, Column(j).Head);
        rowCounter_ = startRow + 1;
        if (columns_ > 0) Column(columns_ - 1).Group = false;

        groups_.assign(static_cast<std::size_t>(columns_), GroupState{});
        list_.Status().ShowStatus(kStatusExporting);
        const int checkedCount = list_.CountCheckedRows();
        groupCount_ = 0;
        levels_.assign(static_cast<std::size_t>(columns_), 0);
        for (int j = 0; j < columns_; ++j) {
            levels_[static_cast<std::size_t>(j)] = groupCount_;
            groupCount_ += Column(j).Group ? 1 : 0;
        }

        // The next row of the last checked row is the look-ahead row, whatever rows follow it: an
        // unchecked row after it that keeps a grouped value would leave that group open for good,
        // its rows ungrouped and no empty row after them.
        int lastChecked = -1;
        for (int i = 0; i < rows; ++i) {
            if (list_.Rows()[static_cast<std::size_t>(i)].Checked) lastChecked = i;
        }
        int written = 0;
        for (int i = 0; i < rows; ++i) {
            if (!list_.Rows()[static_cast<std::size_t>(i)].Checked) continue;
            WriteRow(i);
            ++rowCounter_;
            CloseGroups(i == lastChecked ? rows : i + 1);
            ++written;
            // Multiplied first, so that the last checked row gives exactly 100.
            list_.Status().ShowProgress(list_.RowPath(i), 100.0 * written / checkedCount);
        }

        sheet_->SetCommentText(kCommentCell, std::to_string(rowCounter_ - 1));
        if (target_.NewBook) open_.Book().SaveAs(target_.BookPath);
        else open_.Book().Save();
    }

private:
    ExportColumn& Column(int j) { return settings_.ExportColumns[static_cast<std::size_t>(j)]; }
    GroupState& Group(int j) { return groups_[static_cast<std::size_t>(j)]; }
    // The outline level of grouped column k: the number of grouped columns before it. It equals k
    // when the grouped columns are the first ones; counting by it keeps the rows in step when they
    // are not (a column before them ungrouped): the group of the first grouped column then ends on
    // its last row and leaves no empty row, as the group of column 0 would do with one grouped
    // column, instead of a range that ends above its start and a row counter that goes back.
    int Level(int k) const { return levels_[static_cast<std::size_t>(k)]; }

    // Opens the workbook and the sheet to write into; the start row.
    int OpenTargetSheet() {
        SpreadsheetApplication& app = open_.App();
        if (target_.NewBook) {
            // A new workbook is the template saved under its new name; without a template the
            // application makes an empty one.
            const std::string templatePath = settings_.Path + "/" + kTemplateFileName;
            try {
                open_.SetBook(app.OpenWorkbook(templatePath));
            } catch (const SpreadsheetError&) {
                if (!FileIsMissing(templatePath)) throw;
                open_.SetBook(app.AddWorkbook());
            }
            sheet_ = &open_.Book().ActiveSheet();
            sheet_->SetName(target_.SheetName);
            // The last step records the last row in the A1 comment: a template without one gets it.
            if (!sheet_->CommentText(kCommentCell)) sheet_->AddComment(kCommentCell);
            return 1;
        }
        open_.SetBook(app.OpenWorkbook(target_.BookPath));
        if (target_.NewSheet) {
            list_.Status().ShowStatus(kStatusAddingSheet);
            sheet_ = &open_.Book().AddSheet();
            sheet_->SetName(target_.SheetName);
            sheet_->AddComment(kCommentCell);
            return 1;
        }
        sheet_ = &open_.Book().SheetItem(target_.SheetName);
        std::optional<std::string> comment = sheet_->CommentText(kCommentCell);
        if (!comment) {
            sheet_->AddComment(kCommentCell);
            comment.emplace();
        }
        return StartRowOf(*comment);
    }

    // The cells of list row i.
    void WriteRow(int i) {
        for (int j = 0; j < columns_; ++j) {
            const ExportColumn& column = Column(j);
            std::string value = EvaluateScript(column.Script, list_, i);
            if (column.Group) {
                GroupState& group = Group(j);
                if (value != group.LastValue) {
                    sheet_->SetCellValue(rowCounter_, j + 1, value);
                    ++rowCounter_;
                    group.GroupStart = rowCounter_;
                    group.LastValue = std::move(value);
                } else if (group.GroupStart == 0) {
                    // The group begins with a value equal to the empty starting value, so nothing
                    // is written for it. Its rows begin where the value would have stood, which is
                    // the row that now receives what follows: the row counter. Taking the row
                    // below it (as for a written value) would leave that first row out of the
                    // group, and leaving the start at 0 would give no row at all.
                    group.GroupStart = rowCounter_;
                }
            } else if (column.IsLink) {
                const std::string address =
                    column.IsLocal ? FileUrl(list_.RowPath(i)) : EvaluateScript(column.NetAddr, list_, i);
                sheet_->AddHyperlink(rowCounter_, j + 1, address, value);
            } else {
                sheet_->SetCellValue(rowCounter_, j + 1, value);
            }
        }
    }

    // Closes the groups whose value changes on list row `next`: the row after the one written,
    // checked or not, or the look-ahead row after the last checked one.
    void CloseGroups(int next) {
        for (int k = 0; k + 1 < columns_; ++k) {
            if (!Column(k).Group) continue;
            if (EvaluateScript(Column(k).Script, list_, next) == Group(k).LastValue) continue;
            GroupLevel(k);
            // The deeper groups end here too and begin anew with the next row: their value and
            // start are cleared, so that one beginning with an empty value takes its start from
            // that row (see WriteRow) instead of reaching back over the rows of the group before.
            for (int m = k + 1; m + 1 < columns_; ++m) Group(m) = GroupState{};
            rowCounter_ += groupCount_ - 1 - Level(k);
            return;
        }
    }

    // Groups the rows of level k, then those of the next grouped column, and so on.
    void GroupLevel(int k) {
        for (; k + 1 < columns_; ++k) {
            if (!Column(k).Group) continue;
            const int off = groupCount_ - 2 - Level(k);
            sheet_->GroupRows(CellAddress(Group(k).GroupStart, k + 1) + ":" + CellAddress(rowCounter_ + off, k + 1));
        }
    }

    FileList& list_;
    AppSettings& settings_;
    const ExportTarget& target_;
    OpenApplication& open_;
    const int columns_;
    Worksheet* sheet_ = nullptr;
    std::vector<GroupState> groups_;
    int rowCounter_ = 0;
    int groupCount_ = 0;
    std::vector<int> levels_;
};

}  // namespace

std::optional<std::string> GetSpreadsheetProgId(const SpreadsheetProvider& spreadsheet) { return spreadsheet.ProgId(); }

int ListWorkbookSheets(SpreadsheetProvider& spreadsheet, const std::string& path, std::vector<std::string>& names,
                       std::string* reason) {
    names.clear();
    const std::optional<std::string> progId = GetSpreadsheetProgId(spreadsheet);
    if (!progId) {
        if (reason != nullptr) *reason = "no workbook application";
        return -1;
    }
    try {
        OpenApplication open(spreadsheet, *progId);
        open.App().SetVisible(false);
        open.SetBook(open.App().OpenWorkbook(path));
        const int count = open.Book().WorksheetCount();
        for (int i = 1; i <= count; ++i) names.push_back(open.Book().WorksheetItem(i).Name());
        return open.Book().WorksheetCount();
    } catch (const SpreadsheetError& error) {
        names.clear();
        if (reason != nullptr) *reason = error.English();
        return -1;
    }
}

std::string ExportFailedText(const std::string& bookPath, const std::string& reason) {
    return "Экспорт в книгу \"" + bookPath + "\" не выполнен: " + reason;
}

ExportResult ExportToWorkbook(FileList& list, AppSettings& settings, const ExportTarget& target,
                              SpreadsheetProvider& spreadsheet) {
    const std::optional<std::string> progId = GetSpreadsheetProgId(spreadsheet);
    if (!progId) return ExportResult::NoApplication;

    bool failed = false;
    Notice notice{NoticeKind::ExportFailed, target.BookPath};
    std::string reason;
    {
        const LookAheadRow lookAhead(list);
        list.Status().ShowStatus(kStatusCreating + *progId + kStatusObjectEnd);
        try {
            OpenApplication open(spreadsheet, *progId);
            ResetFolderCounters(list);
            open.App().SetVisible(false);
            WorkbookExport(list, settings, target, open).Run(lookAhead.Rows());
            list.Status().ShowStatus(kStatusClosing + *progId + kStatusObjectEnd);
            open.Release();
        } catch (const SpreadsheetError& error) {
            // The workbook has been closed unsaved and the application quit (a workbook on disk
            // stays as it was); the look-ahead row goes next.
            failed = true;
            reason = error.what();
            notice.Reason = error.English();
        }
    }
    if (failed) {
        list.HostPort().ShowNotice(notice, ExportFailedText(target.BookPath, reason), kProductName, MessageIcon::Error,
                                   MessageButtons::Ok);
        list.Status().ShowTotal();
        return ExportResult::Failed;
    }
    list.Status().ShowStatusBriefly(kStatusDone);
    return ExportResult::Done;
}

}  // namespace tagmora
