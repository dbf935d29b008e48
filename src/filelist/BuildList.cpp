// Row filling: a row's tags are read in two steps, whoever does the first: the file's bytes are
// fetched (in turn on this thread, or ahead by I/O threads), then parsed and the row filled from
// them. The pass reports progress per row and ends with track padding, column fitting, the title
// and the total.
#include "filelist/BuildList.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <deque>
#include <optional>

#include "common/Messages.h"
#include "common/Text.h"
#include "tags/Genres.h"
#include "tags/Id3v1.h"
#include "tags/Id3v2Read.h"

namespace tagmora {

std::string GroupThousands(std::string_view digits) {
    // A space after every third digit from the right, the leftmost one too ("123" is " 123").
    std::string out(digits.size() + digits.size() / 3, ' ');
    std::size_t at = out.size();
    for (std::size_t i = digits.size(), taken = 1; i-- > 0; ++taken) {
        out[--at] = digits[i];
        if (taken % 3 == 0) --at;
    }
    return out;
}

namespace {

std::string SizeText(std::int64_t size) {
    char digits[24];
    return GroupThousands({digits, std::to_chars(digits, digits + sizeof digits, size).ptr});
}

// The texts of a row being filled: the row's own FileText, the others empty until set.
std::array<std::string_view, kColumnCount> TextsKeepingFileText(const FileRow& row) {
    std::array<std::string_view, kColumnCount> texts{};
    texts[ColFile] = row.FileText();
    return texts;
}

void FillFromId3v1(FileRow& row, const Id3v1Tag& tag) {
    const std::string track = std::to_string(tag.Track);
    const std::string genre = GenreNameOf(tag.Genre > kGenreCount - 1 ? kGenreOther : tag.Genre);
    const std::string size = SizeText(tag.FileSize);
    // The text of each ID3v1 field as the list shows it (empty for ID3v2-only fields).
    std::array<std::string_view, kColumnCount> texts = TextsKeepingFileText(row);
    for (const TagField& field : kTagFields) {
        if (!field.IsTagField()) continue;
        std::string_view& text = texts[static_cast<std::size_t>(field.Column)];
        switch (field.V1) {
            case Id3v1Slot::Title: text = tag.Title; break;
            case Id3v1Slot::Artist: text = tag.Artist; break;
            case Id3v1Slot::Album: text = tag.Album; break;
            case Id3v1Slot::Year: text = tag.Year; break;
            case Id3v1Slot::Track: text = track; break;
            case Id3v1Slot::Genre: text = genre; break;
            case Id3v1Slot::Comment: text = tag.Comment; break;
            case Id3v1Slot::None: break;
        }
    }
    texts[ColId3v] = "1";
    texts[ColFileSize] = size;
    row.SetColumnTexts(texts);
    row.Checked = true;
}

void FillFromId3v2(FileRow& row, const Id3v2Tag& tag) {
    const std::string size = SizeText(tag.FileSize);
    std::array<std::string_view, kColumnCount> texts = TextsKeepingFileText(row);
    for (const TagField& field : kTagFields) {
        if (!field.IsTagField()) continue;
        const std::string_view value = tag.*field.Member;
        std::string_view& text = texts[static_cast<std::size_t>(field.Column)];
        if (field.Shape == FieldShape::Genre) {
            const std::size_t paren = value.find(')');
            text = paren == std::string_view::npos ? value : value.substr(paren + 1);
        } else if (field.Shape == FieldShape::CommentOwner) {
            // The owner is shown without its three language letters.
            text = value.substr(text::TakeCodePoints(value, 3).size());
        } else {
            text = value;
        }
    }
    texts[ColId3v] = "2";
    texts[ColFileSize] = size;
    row.SetColumnTexts(texts);
    row.Checked = true;
}

void FillNoTag(FileRow& row, bool fileOpened, std::int64_t fileSize) {
    // A file that vanished before reading has no size to show.
    const std::string size = fileOpened ? SizeText(fileSize) : std::string();
    std::array<std::string_view, kColumnCount> texts = TextsKeepingFileText(row);
    texts[ColTitle] = kNoTagTitle;
    texts[ColId3v] = "0";
    texts[ColFileSize] = size;
    row.SetColumnTexts(texts);
    row.Checked = false;
}

// Fills the row from the fetched bytes in the order of the read sequence; false, with the row
// untouched, when a reader needs a part that was not fetched.
bool FillFrom(FileList& list, FileRow& row, int sequence, FetchedFile& f) {
    if (!f.Opened) {
        // An existing file that cannot be opened is reported; the row gets the no-tag texts and
        // the pass goes on. Something that opens but is no file (a folder, a FIFO) is a row
        // without a tag, silently.
        if (!f.Missing && !f.NotRegular) ShowFileError(list.HostPort(), f.OpenError, row.Path());
        FillNoTag(row, false, 0);
        return true;
    }
    const int codePage = list.Settings().TagCodePage;
    if (!f.Parsed || f.CodePage != codePage) ParseFetched(f, codePage);
    for (const int version : TagVersionsOf(sequence)) {
        const std::optional<TagRead> result = version == 1 ? f.V1Result : f.V2Result;
        if (!result) return false;  // not fetched
        if (*result != TagRead::Found) continue;
        if (version == 1) FillFromId3v1(row, f.V1);
        else FillFromId3v2(row, f.V2);
        return true;
    }
    FillNoTag(row, true, f.Size);
    return true;
}

}  // namespace

void ReadRowTags(FileList& list, int rowIndex) {
    const int sequence = list.Settings().TAGReadSequence;
    if (TagVersionsOf(sequence).empty()) return;
    FileRow& row = list.Rows()[static_cast<std::size_t>(rowIndex)];
    // One open serves both readers (FetchFile opens without blocking, so that a FIFO put in a
    // file's place cannot hang the pass); a fetch without a limit holds every part they need.
    FetchedFile fetched = FetchFile(row.Path(), sequence, {}, false);
    FillFrom(list, row, sequence, fetched);
    RecycleFetchedBytes(std::move(fetched.Head));
}

void FillRowFromFetched(FileList& list, int rowIndex, FetchedFile&& fetched) {
    const int sequence = list.Settings().TAGReadSequence;
    if (TagVersionsOf(sequence).empty()) return;
    FileRow& row = list.Rows()[static_cast<std::size_t>(rowIndex)];
    if (fetched.Sequence == sequence && !fetched.Deferred && FillFrom(list, row, sequence, fetched)) {
        RecycleFetchedBytes(std::move(fetched.Head));
        return;
    }
    ReadRowTags(list, rowIndex);  // fetched for another sequence, or incomplete: fetched again here
}

void PadTrackNumbers(FileList& list) {
    std::size_t shortest = 100;
    std::size_t longest = 0;
    for (const FileRow& row : list.Rows()) {
        const std::size_t n = text::CodePointCount(row.ColumnText(ColTrack));
        shortest = std::min(shortest, n);
        longest = std::max(longest, n);
    }
    if (longest < shortest || longest - shortest != 1) return;
    for (FileRow& row : list.Rows()) {
        if (text::CodePointCount(row.ColumnText(ColTrack)) == shortest) {
            row.SetColumnText(ColTrack, "0" + std::string(row.ColumnText(ColTrack)));
        }
    }
}

namespace {

void ShowRowProgress(FileList& list, int rowIndex, int total, int counter) {
    if (total != 0) list.Status().ShowProgress(list.RowPath(rowIndex), 100.0 / total * counter);
    list.HostPort().ProcessEvents();
}

// Reads each row's file when its row is filled.
void ReadRangeInTurn(FileList& list, int first, int last, bool onlyChecked, int total) {
    int counter = 0;
    for (int i = first; i <= last && i < list.RowCount(); ++i) {
        if (list.CancelRequested()) break;
        if (onlyChecked && !list.Rows()[static_cast<std::size_t>(i)].Checked) continue;
        ++counter;
        ReadRowTags(list, i);
        ShowRowProgress(list, i, total, counter);
    }
}

// Fills the rows in order. While the files are found in memory each is read in turn, every fourth
// through a fetch that tells whether its file was in memory (a probe); once half of the last eight
// probes waited for the device, a pool of `threads` fetches up to `window` rows ahead, until a
// long run of fetches finds its files in memory again. (Files dropped from memory here and there
// in a tree that is in memory as a whole are read in turn: threads would cost more than they
// save.) With `adaptive` off the pool reads ahead from the first row. Which rows are read is
// decided at each row as in ReadRangeInTurn; a fetch of a row that is no longer read is dropped,
// and a row whose fetch is missing or was made for another path (the list changed while events
// were processed) is read in turn.
void ReadRangeAhead(FileList& list, int first, int last, bool onlyChecked, int total, const ReadAheadOptions& options,
                    int threads) {
    constexpr int kProbeEvery = 4;
    constexpr int kColdOfLast8 = 4;
    constexpr int kWarmRunToStop = 512;
    const int window = std::max(1, options.Window);
    std::optional<ReadAheadPool> pool;
    bool readingAhead = !options.Adaptive;
    bool mayReadAhead = true;
    std::uint8_t coldProbes = 0;  // one bit per recent probe, set when its file was not in memory
    int warmRun = 0;              // fetches taken from the pool in a row that found their file in memory
    struct Ahead {
        int Row;
        std::string Path;
    };
    std::deque<Ahead> ahead;  // the fetches in the pool, in the pool's order
    const auto rowAt = [&](int i) -> FileRow& { return list.Rows()[static_cast<std::size_t>(i)]; };
    int nextToSubmit = first;
    int counter = 0;
    for (int i = first; i <= last && i < list.RowCount(); ++i) {
        if (list.CancelRequested()) break;
        if (onlyChecked && !rowAt(i).Checked) continue;
        if (readingAhead && !pool) {
            pool.emplace(threads, kReadAheadTagBudget);
            if (pool->Threads() == 0) readingAhead = mayReadAhead = false;
        }
        nextToSubmit = std::max(nextToSubmit, i);
        // The window is refilled once half of it is used, so that the threads are woken per batch.
        if (readingAhead && static_cast<int>(ahead.size()) <= window / 2) {
            const int sequence = list.Settings().TAGReadSequence;
            while (static_cast<int>(ahead.size()) < window && nextToSubmit <= last && nextToSubmit < list.RowCount()) {
                const FileRow& next = rowAt(nextToSubmit);
                if (!onlyChecked || next.Checked) {
                    pool->Submit(next.Path(), sequence, list.Settings().TagCodePage);
                    ahead.push_back({nextToSubmit, next.Path()});
                }
                ++nextToSubmit;
            }
            pool->StartSubmitted();
        }
        while (!ahead.empty() && ahead.front().Row < i) {
            pool->DropNext();
            ahead.pop_front();
        }
        ++counter;
        if (!ahead.empty() && ahead.front().Row == i && ahead.front().Path == rowAt(i).Path()) {
            ahead.pop_front();
            FetchedFile fetched = pool->TakeNext();
            warmRun = fetched.WouldBlock ? 0 : warmRun + 1;
            if (options.Adaptive && warmRun >= kWarmRunToStop) readingAhead = false;
            FillRowFromFetched(list, i, std::move(fetched));
        } else {
            if (!ahead.empty() && ahead.front().Row == i) {
                pool->DropNext();
                ahead.pop_front();
            }
            if (readingAhead || !mayReadAhead || counter % kProbeEvery != 0) {
                ReadRowTags(list, i);
            } else {
                // A probe: the row is filled from a fetch that tells whether the file was in memory.
                FetchedFile fetched = FetchFile(rowAt(i).Path(), list.Settings().TAGReadSequence);
                coldProbes = static_cast<std::uint8_t>(coldProbes << 1 | (fetched.WouldBlock ? 1 : 0));
                if (std::popcount(coldProbes) >= kColdOfLast8) {
                    readingAhead = true;
                    coldProbes = 0;
                    warmRun = 0;
                }
                FillRowFromFetched(list, i, std::move(fetched));
            }
        }
        ShowRowProgress(list, i, total, counter);
    }
}

}  // namespace

void BuildList(FileList& list, bool onlyChecked, bool appendedOnly, const ReadAheadOptions& options) {
    const int checked = list.CountCheckedRows();
    int first = 0;
    int last = list.RowCount() - 1;
    if (appendedOnly) {
        list.Status().ShowStatus(kStatusUpdating);
        first = list.NewRowsFirst;
        last = list.NewRowsLast;
    } else {
        list.Status().ShowStatus(kStatusBuilding);
    }
    const int total = onlyChecked ? checked : std::max(0, last - first + 1);
    const int sequence = list.Settings().TAGReadSequence;
    const int threads = TagVersionsOf(sequence).empty() ? 0
                        : options.Threads < 0           ? ReadAheadThreads(total)
                                                        : options.Threads;
    if (threads > 0) ReadRangeAhead(list, first, last, onlyChecked, total, options, threads);
    else ReadRangeInTurn(list, first, last, onlyChecked, total);
    if (appendedOnly) list.RestoreAutoOrdering();
    PadTrackNumbers(list);
    if (list.Settings().ResizeTabHeaders) {
        list.Status().ShowStatus(kStatusFitting);
        list.HostPort().FitColumns();
    }
    list.HostPort().StartTitleScrolling();
    list.Status().ShowTotal();
}

}  // namespace tagmora
