// The file list: rows, the fixed column order, folder numbers and counters, scanning,
// sibling folders and the folder commands of the menu.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/Ports.h"
#include "platform/FileIo.h"
#include "settings/AppSettings.h"
#include "tags/TagFields.h"

namespace tagmora {

// The header captions, by ColumnId.
const std::array<const char*, kColumnCount>& ColumnCaptions();

// One row of the list. Its 21 column texts are kept one after another in one buffer, so that a
// row costs one allocation for its texts (not one per text) and is small to move and to free. A
// view of a text stays valid until that row is changed, moved or destroyed; the row itself keeps
// offsets, never pointers, so rows may be moved, sorted, appended and removed freely.
class FileRow {
public:
    FileRow() = default;
    // A row of a found file, without texts but its FileText: its path from `fileTextFrom` on (0
    // for the whole path, the name's start for the bare name).
    FileRow(std::string path, std::size_t fileTextFrom);
    FileRow(const FileRow& other);
    FileRow(FileRow&& other) noexcept;
    FileRow& operator=(const FileRow& other);
    FileRow& operator=(FileRow&& other) noexcept;
    ~FileRow() = default;

    // The file's real full path (rows keep their own folder whatever the scan mode was).
    const std::string& Path() const { return path_; }
    // Changes the path; FileText stays as it was.
    void SetPath(std::string path);
    bool Checked = false;
    bool Selected = false;
    int FolderNumber = 0;

    // The text of a column as the list shows it. Column 0 (FileText) is the full path in scans
    // with subfolders, the bare file name in flat scans.
    std::string_view ColumnText(int column) const {
        if (column == ColFile && fileTextAt_ != kOwnFileText) return std::string_view(path_).substr(fileTextAt_);
        const auto c = static_cast<std::size_t>(column);
        const std::size_t begin = c == 0 ? 0 : End(c - 1);
        return {texts_.get() + begin, End(c) - begin};
    }
    std::string_view FileText() const { return ColumnText(ColFile); }

    // Replaces the text of one column.
    void SetColumnText(int column, std::string_view text);
    void SetFileText(std::string_view text) { SetColumnText(ColFile, text); }
    // Replaces the texts of all columns at once (the views may be of this row's own texts).
    void SetColumnTexts(const std::array<std::string_view, kColumnCount>& texts);

private:
    static constexpr std::uint32_t kOwnFileText = 0xFFFFFFFF;
    // Where column c's text ends in texts_ (column c starts where c - 1 ends, column 0 at 0). A
    // row whose texts take less than 64 KiB (any row in practice) keeps the ends in ends_; a
    // longer one keeps them as 32-bit numbers after its texts (wide_), with the texts' size in
    // ends_[0] and ends_[1].
    std::size_t End(std::size_t c) const {
        if (!wide_) return ends_[c];
        std::uint32_t end = 0;
        std::memcpy(&end, texts_.get() + TextsSize() + c * sizeof end, sizeof end);
        return end;
    }
    std::size_t TextsSize() const { return wide_ ? (std::size_t{ends_[1]} << 16 | ends_[0]) : ends_[kColumnCount - 1]; }
    std::size_t BufferSize() const { return TextsSize() + (wide_ ? kColumnCount * sizeof(std::uint32_t) : 0); }

    std::string path_;
    std::unique_ptr<char[]> texts_;
    std::array<std::uint16_t, kColumnCount> ends_{};
    bool wide_ = false;
    // FileText is most often the path or its end (the file name): then it is not stored again but
    // read from path_ from this offset on, and column 0 of texts_ is empty.
    std::uint32_t fileTextAt_ = kOwnFileText;
};

// A listed folder: its files and folders by name, and its identity (FileList.cpp).
struct FolderEntries;

class FileList {
public:
    FileList(AppSettings& settings, StatusReporter& status, Host& host);

    // Rows in display order.
    std::vector<FileRow>& Rows() { return rows_; }
    const std::vector<FileRow>& Rows() const { return rows_; }
    int RowCount() const { return static_cast<int>(rows_.size()); }

    std::string CurrentFolder;
    std::vector<int> FolderCounters;
    std::vector<std::string> SiblingFolders;
    int SiblingPosition = 0;

    // The new-rows range of the latest appended scan; empty when First > Last.
    int NewRowsFirst = 0;
    int NewRowsLast = -1;

    // Told of each folder that a scan cannot list, with the errno value (the folder then gives
    // no rows); the command line reports them. Unset: such folders are skipped silently.
    std::function<void(const std::string& folder, int error)> FolderNotRead;

    // Sorting state (the list's ordering).
    int SortColumn = 0;
    bool AutoOrdering = true;
    bool HeaderClicked = false;

    // Fills the list from one folder (fresh or appended).
    void ScanFolder(const std::string& folder, bool append, bool keepListVisible);
    // The full path of a row's file.
    const std::string& RowPath(int row) const { return rows_[static_cast<std::size_t>(row)].Path(); }
    bool AnyRowChecked() const;
    int CountCheckedRows() const;
    // Rebuilds SiblingFolders and SiblingPosition from CurrentFolder; the number of siblings.
    int FindSiblingFolders();

    // Sorting: the comparison of two rows by the sort column (stable sorting keeps equal rows'
    // order), a full re-sort, and restoring the ordering mode an appended scan switched off
    // (which re-sorts when the mode is automatic).
    int CompareRows(const FileRow& a, const FileRow& b) const;
    void SortRows();
    void RestoreAutoOrdering();
    // Header click / digit key: " Подождите...", sort, " Готово.".
    void SortByColumn(int column);

    AppSettings& Settings() { return settings_; }
    const AppSettings& Settings() const { return settings_; }
    StatusReporter& Status() { return status_; }
    Host& HostPort() { return host_; }

    // Is a command running? Commands that start while another runs are refused.
    bool Busy() const { return busy_ > 0; }
    // Ends a running long loop at its next step (the window is being closed).
    void RequestCancel() { cancel_ = true; }
    bool CancelRequested() const { return cancel_; }

    class BusyGuard {
    public:
        explicit BusyGuard(FileList& list) : list_(list) { ++list_.busy_; }
        ~BusyGuard() { --list_.busy_; }
        BusyGuard(const BusyGuard&) = delete;
        BusyGuard& operator=(const BusyGuard&) = delete;

    private:
        FileList& list_;
    };

private:
    // A file found by a scan, before its row is made.
    struct FoundFile {
        std::string Path;
        int FolderNumber;
    };
    // The folders a scan has walked, by device and inode: a folder reached again (through a
    // link, by a cycle or a second way in) is not walked again.
    using WalkedFolders = std::set<std::pair<std::uint64_t, std::uint64_t>>;
    // The files a scan found, in blocks: growing it neither moves nor copies them, and its blocks
    // come from the heap, where the rows' texts reuse them once the rows are made.
    using FoundFiles = std::deque<FoundFile>;
    // Walks a folder from its listing.
    void Walk(const std::string& folder, const FolderEntries& entries, int folderNumber, FoundFiles& out,
              WalkedFolders& walked);
    // Appends one row per found file; the rows are allocated once (rows are large to move).
    void AppendRows(FoundFiles& found, bool bareNames);
    int AllocateFolderNumber();

    AppSettings& settings_;
    StatusReporter& status_;
    Host& host_;
    std::vector<FileRow> rows_;
    int nextFolderNumber_ = 0;
    bool savedOrdering_ = true;
    bool orderingSwitchedOff_ = false;  // by an appended scan, not yet restored
    int busy_ = 0;
    bool cancel_ = false;
};

// Is `name` matched by the mask "*.mp3" (case-insensitive)?
bool MatchesMp3Mask(std::string_view name);

// Does `path` name an existing folder?
bool IsExistingFolder(const std::string& path);

}  // namespace tagmora
