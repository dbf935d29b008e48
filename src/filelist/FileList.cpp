// The file list: the depth-first folder walk with its folder numbers, which walks each folder once
// per scan (links forming cycles or leading to one folder twice), flat scans, sibling folders, and
// the ordering of rows.
#include "filelist/FileList.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>

#include "common/Text.h"
#include "filelist/FolderCommands.h"
#include "platform/FileIo.h"

namespace tagmora {

using fileio::EntryKind;
using fileio::ListFolderEntries;
using fileio::StatPath;

const std::array<const char*, kColumnCount>& ColumnCaptions() {
    static const std::array<const char*, kColumnCount> captions = [] {
        std::array<const char*, kColumnCount> out{};
        for (const TagField& field : kTagFields) out[static_cast<std::size_t>(field.Column)] = field.Caption;
        return out;
    }();
    return captions;
}

FileRow::FileRow(std::string path, std::size_t fileTextFrom) : path_(std::move(path)) {
    fileTextFrom = std::min(fileTextFrom, path_.size());
    if (path_.size() < kOwnFileText) fileTextAt_ = static_cast<std::uint32_t>(fileTextFrom);
    else SetFileText(std::string_view(path_).substr(fileTextFrom));
}

FileRow::FileRow(const FileRow& other)
    : Checked(other.Checked),
      Selected(other.Selected),
      FolderNumber(other.FolderNumber),
      path_(other.path_),
      texts_(other.texts_ ? std::make_unique_for_overwrite<char[]>(other.BufferSize()) : nullptr),
      ends_(other.ends_),
      wide_(other.wide_),
      fileTextAt_(other.fileTextAt_) {
    if (texts_) std::memcpy(texts_.get(), other.texts_.get(), other.BufferSize());
}

FileRow::FileRow(FileRow&& other) noexcept
    : Checked(other.Checked),
      Selected(other.Selected),
      FolderNumber(other.FolderNumber),
      path_(std::move(other.path_)),
      texts_(std::move(other.texts_)),
      ends_(std::exchange(other.ends_, {})),
      wide_(std::exchange(other.wide_, false)),
      fileTextAt_(std::exchange(other.fileTextAt_, kOwnFileText)) {}

FileRow& FileRow::operator=(const FileRow& other) {
    if (this != &other) *this = FileRow(other);
    return *this;
}

FileRow& FileRow::operator=(FileRow&& other) noexcept {
    path_ = std::move(other.path_);
    Checked = other.Checked;
    Selected = other.Selected;
    FolderNumber = other.FolderNumber;
    texts_ = std::move(other.texts_);
    ends_ = std::exchange(other.ends_, {});
    wide_ = std::exchange(other.wide_, false);
    fileTextAt_ = std::exchange(other.fileTextAt_, kOwnFileText);
    return *this;
}

void FileRow::SetPath(std::string path) {
    const std::string fileText(FileText());
    path_ = std::move(path);
    SetFileText(fileText);
}

void FileRow::SetColumnText(int column, std::string_view text) {
    std::array<std::string_view, kColumnCount> texts;
    for (int c = 0; c < kColumnCount; ++c) texts[static_cast<std::size_t>(c)] = c == column ? text : ColumnText(c);
    SetColumnTexts(texts);
}

void FileRow::SetColumnTexts(const std::array<std::string_view, kColumnCount>& given) {
    // A FileText that ends the path is read from it (given[0] may be a view of path_ itself).
    std::array<std::string_view, kColumnCount> texts = given;
    const std::string_view fileText = texts[ColFile];
    const bool inPath = std::string_view(path_).ends_with(fileText) && path_.size() < kOwnFileText;
    if (inPath) texts[ColFile] = {};
    std::size_t size = 0;
    for (const std::string_view text : texts) size += text.size();
    const bool wide = size > std::numeric_limits<std::uint16_t>::max();
    // Built beside the old buffer, which the views may point into, then swapped in.
    std::unique_ptr<char[]> next;
    if (size > 0)
        next = std::make_unique_for_overwrite<char[]>(size + (wide ? kColumnCount * sizeof(std::uint32_t) : 0));
    std::array<std::uint16_t, kColumnCount> ends{};
    std::size_t at = 0;
    for (std::size_t c = 0; c < texts.size(); ++c) {
        if (!texts[c].empty()) std::memcpy(next.get() + at, texts[c].data(), texts[c].size());
        at += texts[c].size();
        if (wide) {
            const auto end = static_cast<std::uint32_t>(at);
            std::memcpy(next.get() + size + c * sizeof end, &end, sizeof end);
        } else {
            ends[c] = static_cast<std::uint16_t>(at);
        }
    }
    if (wide) {
        ends[0] = static_cast<std::uint16_t>(size);
        ends[1] = static_cast<std::uint16_t>(size >> 16);
    }
    fileTextAt_ = inPath ? static_cast<std::uint32_t>(path_.size() - fileText.size()) : kOwnFileText;
    texts_ = std::move(next);
    ends_ = ends;
    wide_ = wide;
}

bool MatchesMp3Mask(std::string_view name) {
    return name.size() > 4 && text::EqualsAsciiIgnoreCase(name.substr(name.size() - 4), ".mp3");
}

bool IsExistingFolder(const std::string& path) { return !path.empty() && StatPath(path).Folder; }

namespace {

// Compares names as the folder listings are ordered: A-Z folded, then byte by byte.
bool NameLess(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char x = text::AsciiLower(a[i]);
        const char y = text::AsciiLower(b[i]);
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

}  // namespace

// The names of a folder's entries of one kind, one after another in one buffer: a listing costs
// a few allocations, not one a name.
class NameList {
public:
    void Add(std::string_view name) {
        if (spans_.empty()) {
            bytes_.reserve(1024);
            spans_.reserve(32);
        }
        spans_.push_back({static_cast<std::uint32_t>(bytes_.size()), static_cast<std::uint32_t>(name.size())});
        bytes_.append(name);
    }
    void Sort() {
        std::sort(spans_.begin(), spans_.end(),
                  [this](const Span& a, const Span& b) { return NameLess(At(a), At(b)); });
    }
    std::size_t Size() const { return spans_.size(); }
    std::string_view operator[](std::size_t i) const { return At(spans_[i]); }

private:
    using Span = std::pair<std::uint32_t, std::uint32_t>;  // where a name starts in bytes_, and its size
    std::string_view At(const Span& span) const { return std::string_view(bytes_).substr(span.first, span.second); }
    std::string bytes_;
    std::vector<Span> spans_;
};

struct FolderEntries {
    NameList Files;  // matching the mask
    NameList Folders;
    fileio::FileIdentity Identity;
};

namespace {

// Lists the visible entries of `folder` (names starting with "." are hidden) into `entries`, each
// kind ordered by name. False (errno set) when the folder cannot be listed.
bool ListFolder(const std::string& folder, FolderEntries& entries) {
    const int error = ListFolderEntries(
        folder, false,
        [&](std::string_view name, EntryKind kind) {
            if (kind == EntryKind::File && MatchesMp3Mask(name)) entries.Files.Add(name);
            else if (kind == EntryKind::Folder) entries.Folders.Add(name);
        },
        &entries.Identity);
    if (error != 0) {
        errno = error;
        return false;
    }
    entries.Files.Sort();
    entries.Folders.Sort();
    return true;
}

// `folder` (ending in "/") and `name` in one string.
std::string PathIn(const std::string& folder, std::string_view name) {
    std::string path;
    path.reserve(folder.size() + name.size());
    path.append(folder).append(name);
    return path;
}

std::string WithSeparator(const std::string& folder) {
    if (!folder.empty() && folder.back() == '/') return folder;
    return folder + "/";
}

std::string WithoutTrailingSeparators(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

}  // namespace

FileList::FileList(AppSettings& settings, StatusReporter& status, Host& host)
    : settings_(settings), status_(status), host_(host) {}

int FileList::AllocateFolderNumber() {
    FolderCounters.push_back(0);
    return nextFolderNumber_++;
}

void FileList::ScanFolder(const std::string& folder, bool append, bool keepListVisible) {
    if (!append) {
        rows_.clear();
        FolderCounters.clear();
        nextFolderNumber_ = 0;
    } else {
        if (!orderingSwitchedOff_) savedOrdering_ = AutoOrdering;
        orderingSwitchedOff_ = true;
        AutoOrdering = false;
    }
    const std::size_t firstNew = rows_.size();
    NewRowsFirst = static_cast<int>(firstNew);

    const bool flat = !settings_.IncludeSubDirs;
    if (!flat) {
        status_.ShowStatus(kStatusReadingFolders);
        if (!keepListVisible) host_.SetListVisible(false);
        host_.SetCaption(kProductName);
        host_.SetApplicationTitle(std::string(kProductName) + "    ");
        WalkedFolders walked;
        FoundFiles found;
        const std::string top = WithSeparator(folder);
        const int number = AllocateFolderNumber();
        FolderEntries entries;
        if (!cancel_) {
            if (ListFolder(top, entries)) Walk(top, entries, number, found, walked);
            else if (FolderNotRead) FolderNotRead(top, errno);
        }
        AppendRows(found, false);
        if (!keepListVisible) host_.SetListVisible(true);
    } else {
        const int number = AllocateFolderNumber();
        const std::string base = WithSeparator(folder);
        FolderEntries entries;
        FoundFiles found;
        if (ListFolder(base, entries)) {
            for (std::size_t i = 0; i < entries.Files.Size(); ++i)
                found.push_back({PathIn(base, entries.Files[i]), number});
        } else if (FolderNotRead) {
            FolderNotRead(base, errno);
        }
        AppendRows(found, true);
        const std::string title =
            std::string(kProductName) + " - " + WithoutTrailingSeparators(CurrentFolder) + "/*.mp3";
        host_.SetCaption(title);
        host_.SetApplicationTitle(title + "    ");
    }
    NewRowsLast = static_cast<int>(rows_.size()) - 1;

    // Automatic ordering places the inserted rows in sort order by the texts they have now;
    // after a header click, rows of a flat scan stay in listing order.
    if (AutoOrdering && !(flat && HeaderClicked) && rows_.size() > firstNew) SortRows();
}

void FileList::AppendRows(FoundFiles& found, bool bareNames) {
    // Grow geometrically: appended scans of many folders must not reallocate every time.
    const std::size_t need = rows_.size() + found.size();
    if (need > rows_.capacity()) rows_.reserve(std::max(need, 2 * rows_.capacity()));
    for (auto& file : found) {
        const std::size_t fileTextFrom = bareNames ? file.Path.rfind('/') + 1 : 0;
        rows_.emplace_back(std::move(file.Path), fileTextFrom).FolderNumber = file.FolderNumber;
    }
}

void FileList::Walk(const std::string& folder, const FolderEntries& entries, int folderNumber, FoundFiles& out,
                    WalkedFolders& walked) {
    host_.ProcessEvents();
    walked.emplace(entries.Identity.Device, entries.Identity.Inode);
    for (std::size_t i = 0; i < entries.Files.Size(); ++i)
        out.push_back({PathIn(folder, entries.Files[i]), folderNumber});
    for (std::size_t i = 0; i < entries.Folders.Size(); ++i) {
        if (cancel_) return;
        // A subfolder is known to be one by its entry; its listing gives its identity.
        std::string sub = PathIn(folder, entries.Folders[i]) + "/";
        FolderEntries subEntries;
        if (!ListFolder(sub, subEntries)) {
            if (FolderNotRead) FolderNotRead(sub, errno);
            continue;
        }
        // Never a folder walked before: one the walk is inside (a link cycle) or one reached
        // by another way in (two links to the same folder).
        if (walked.contains({subEntries.Identity.Device, subEntries.Identity.Inode})) continue;
        const int number = AllocateFolderNumber();
        status_.ShowFolderPanel(sub + "*.mp3");
        Walk(sub, subEntries, number, out, walked);
    }
}

bool FileList::AnyRowChecked() const {
    return std::any_of(rows_.begin(), rows_.end(), [](const FileRow& r) { return r.Checked; });
}

int FileList::CountCheckedRows() const {
    return static_cast<int>(std::count_if(rows_.begin(), rows_.end(), [](const FileRow& r) { return r.Checked; }));
}

int FileList::FindSiblingFolders() {
    const std::string current = WithoutTrailingSeparators(CurrentFolder);
    const std::size_t last = current.rfind('/');
    const std::string parent = (last == std::string::npos || last == 0) ? std::string() : current.substr(0, last);
    SiblingFolders.clear();
    const std::string listed = parent + "/";
    FolderEntries entries;
    ListFolder(listed, entries);
    for (std::size_t i = 0; i < entries.Folders.Size(); ++i) {
        std::string full = PathIn(listed, entries.Folders[i]);
        if (!IsExistingFolder(full)) continue;
        if (full == current) SiblingPosition = static_cast<int>(SiblingFolders.size());
        SiblingFolders.push_back(std::move(full));
    }
    return static_cast<int>(SiblingFolders.size());
}

int FileList::CompareRows(const FileRow& a, const FileRow& b) const {
    const std::string_view x = a.ColumnText(SortColumn);
    const std::string_view y = b.ColumnText(SortColumn);
    const std::size_t n = std::min(x.size(), y.size());
    std::size_t i = 0;
    // Equal bytes are equal when folded too: skip them eight at a time.
    while (i + 8 <= n) {
        std::uint64_t wx = 0;
        std::uint64_t wy = 0;
        std::memcpy(&wx, x.data() + i, 8);
        std::memcpy(&wy, y.data() + i, 8);
        if (wx != wy) break;
        i += 8;
    }
    for (; i < n; ++i) {
        if (x[i] == y[i]) continue;
        const auto cx = static_cast<unsigned char>(text::AsciiLower(x[i]));
        const auto cy = static_cast<unsigned char>(text::AsciiLower(y[i]));
        if (cx != cy) return cx < cy ? -1 : 1;
    }
    if (x.size() == y.size()) return 0;
    return x.size() < y.size() ? -1 : 1;
}

namespace {

// How many leading bytes `a` and `b` share, counting no further than `limit`. Eight bytes are
// compared at a time; the first that differs is the lowest of the word in little-endian order.
std::size_t SharedPrefix(std::string_view a, std::string_view b, std::size_t limit) {
    static_assert(std::endian::native == std::endian::little);
    limit = std::min({limit, a.size(), b.size()});
    std::size_t i = 0;
    for (std::uint64_t x = 0, y = 0; i + 8 <= limit; i += 8) {
        std::memcpy(&x, a.data() + i, 8);
        std::memcpy(&y, b.data() + i, 8);
        if (x != y) return i + static_cast<std::size_t>(std::countr_zero(x ^ y)) / 8;
    }
    while (i < limit && a[i] == b[i]) ++i;
    return i;
}

}  // namespace

void FileList::SortRows() {
    // Each row's key is built once: the sixteen folded bytes that follow the prefix every text
    // shares (equal bytes are equal when folded), big-endian in two words, shorter texts padded with
    // zeros. Keys that differ order their rows as CompareRows does; equal keys leave it to
    // CompareRows. The keys with their row indexes are sorted (rows are large to move), then each
    // row is moved about once.
    std::size_t shared = rows_.empty() ? 0 : rows_[0].ColumnText(SortColumn).size();
    for (const FileRow& row : rows_)
        shared = SharedPrefix(rows_[0].ColumnText(SortColumn), row.ColumnText(SortColumn), shared);
    struct Keyed {
        std::uint64_t High;
        std::uint64_t Low;
        std::uint32_t Row;
    };
    // Eight bytes from `from` on (zeros past the end), folded, the first the most significant.
    const auto word = [](std::string_view text, std::size_t from) {
        std::uint64_t w = 0;
        if (from < text.size()) std::memcpy(&w, text.data() + from, std::min<std::size_t>(8, text.size() - from));
        return __builtin_bswap64(text::AsciiLowerWord(w));
    };
    std::vector<Keyed> keyed(rows_.size());
    for (std::size_t i = 0; i < keyed.size(); ++i) {
        const std::string_view text = rows_[i].ColumnText(SortColumn).substr(shared);
        keyed[i] = {word(text, 0), word(text, 8), static_cast<std::uint32_t>(i)};
    }
    const auto less = [this](const Keyed& a, const Keyed& b) {
        if (a.High != b.High) return a.High < b.High;
        if (a.Low != b.Low) return a.Low < b.Low;
        return CompareRows(rows_[a.Row], rows_[b.Row]) < 0;
    };
    // Rows found folder by folder often come in this order already: then none is moved.
    if (std::is_sorted(keyed.begin(), keyed.end(), less)) return;
    std::stable_sort(keyed.begin(), keyed.end(), less);
    std::vector<std::uint32_t> order(keyed.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = keyed[i].Row;
    keyed = {};
    // Apply the permutation in place, cycle by cycle: no second array of rows.
    for (std::size_t start = 0; start < order.size(); ++start) {
        if (order[start] == start) continue;
        FileRow held = std::move(rows_[start]);
        std::size_t at = start;
        while (order[at] != start) {
            const std::size_t from = order[at];
            rows_[at] = std::move(rows_[from]);
            order[at] = static_cast<std::uint32_t>(at);
            at = from;
        }
        rows_[at] = std::move(held);
        order[at] = static_cast<std::uint32_t>(at);
    }
}

void FileList::RestoreAutoOrdering() {
    if (orderingSwitchedOff_) AutoOrdering = savedOrdering_;
    orderingSwitchedOff_ = false;
    if (AutoOrdering) SortRows();
}

void FileList::SortByColumn(int column) {
    if (column < 0 || column >= kColumnCount) return;
    status_.ShowStatus(kStatusWait);
    SortColumn = column;
    HeaderClicked = true;
    AutoOrdering = true;
    SortRows();
    status_.ShowStatus(kStatusDone);
}

}  // namespace tagmora
