// The batch tag write driver: the dialog request, the record of each checked row, the two loops.
#include "writetags/TagWriteBatch.h"

#include <cstdint>
#include <cstring>

#include "common/FileHelpers.h"
#include "common/Messages.h"
#include "common/Text.h"
#include "filelist/BuildList.h"
#include "filelist/FileList.h"
#include "script/Script.h"
#include "tags/Genres.h"

namespace tagmora {

namespace {

constexpr int kTrackMax = 255;

std::string Cut(std::string_view value, std::size_t characters) { return text::TakeCodePoints(value, characters); }

// The title of a row: the memo line that belongs to the k-th checked row with "Взять из списка"
// (the listed title when the memo has no such line), otherwise FieldValue on column 1.
std::string TitleValue(const WriteTagsAnswer& answer, FileList& list, const TagWriteStep& step) {
    if (answer.Title == kTakeFromList) {
        const auto line = static_cast<std::size_t>(step.K - 1);
        if (line < answer.MemoLines.size()) return answer.MemoLines[line];
        return ListedValue(list.Rows()[static_cast<std::size_t>(step.Row)], ColTitle);
    }
    return FieldValue(answer.Title, list, step.Row, ColTitle);
}

int NumberOrNone(long long n) { return n < 0 || n > kTrackMax ? 0 : static_cast<int>(n); }

}  // namespace

std::string ListedValue(const FileRow& row, int column) {
    // "Пусто" in the Title column of a file without a tag is the list's placeholder, not a title.
    if (column == ColTitle && row.Texts[ColId3v] == "0") return {};
    return row.ColumnText(column);
}

std::string FieldValue(std::string_view text, FileList& list, int row, int column) {
    if (text == kKeepAsIs) return ListedValue(list.Rows()[static_cast<std::size_t>(row)], column);
    return EvaluateScript(text, list, row);
}

bool Id3v1TrackOfNumber(std::string_view text, int& track) {
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.starts_with("$")) {
        base = 16;
        text.remove_prefix(1);
    } else if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return false;
    long long value = 0;
    for (const char c : text) {
        int digit = 0;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return false;
        // Past any track anyway: stop growing, keep checking the characters.
        if (value <= kTrackMax) value = value * base + digit;
    }
    track = negative && value != 0 ? 0 : NumberOrNone(value);
    return true;
}

int Id3v1TrackOfListed(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    long long value = 0;
    bool any = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        any = true;
        if (value <= kTrackMax) value = value * 10 + (text[i] - '0');
    }
    return any ? NumberOrNone(value) : 0;
}

Id3v1Tag BuildId3v1Record(const WriteTagsAnswer& answer, FileList& list, const TagWriteStep& step) {
    Id3v1Tag tag;
    const std::string& track = answer.Track;
    if (track == kNumberChecked) {
        tag.Track = static_cast<std::uint8_t>(NumberOrNone(step.Numbered));
    } else if (track == kNumberAll) {
        tag.Track = static_cast<std::uint8_t>(NumberOrNone(step.Row + 1));
    } else if (track == kDeleteTrack) {
        tag.Track = 0;
    } else if (track == kKeepAsIs) {
        tag.Track = static_cast<std::uint8_t>(
            Id3v1TrackOfListed(list.Rows()[static_cast<std::size_t>(step.Row)].Texts[ColTrack]));
    } else {
        int number = 0;
        if (!Id3v1TrackOfNumber(EvaluateScript(track, list, step.Row), number)) number = kId3v1TrackOfNoNumber;
        tag.Track = static_cast<std::uint8_t>(number);
    }
    tag.Title = Cut(TitleValue(answer, list, step), kId3v1TextCut);
    tag.Album = Cut(FieldValue(answer.Album, list, step.Row, ColAlbum), kId3v1TextCut);
    tag.Artist = Cut(FieldValue(answer.Artist, list, step.Row, ColArtist), kId3v1TextCut);
    tag.Comment = Cut(FieldValue(answer.Comment, list, step.Row, ColComment), kId3v1TextCut);
    tag.Year = Cut(FieldValue(answer.Year, list, step.Row, ColYear), kId3v1YearCut);
    tag.Genre = static_cast<std::uint8_t>(GenreIndexOf(FieldValue(answer.Genre, list, step.Row, ColGenre)));
    return tag;
}

Id3v2WriteRecord BuildId3v2Record(const WriteTagsAnswer& answer, FileList& list, const TagWriteStep& step) {
    const FileRow& row = list.Rows()[static_cast<std::size_t>(step.Row)];
    const bool fromId3v2 = row.Texts[ColId3v] == "2";
    Id3v2WriteRecord record;
    Id3v2Tag& v = record.Values;
    // Sets a field's value; keeps its old frame when the row shows the ID3v2 tag with that text.
    const auto set = [&](Id3v2Field field, std::string& target, std::string value, int column) {
        if (fromId3v2 && value == row.Texts[column]) record.SetKept(field, true);
        target = std::move(value);
    };

    // The track first, then the title and the other fields, so that the scripts' "nn" counts in
    // the same order in both versions.
    std::string track;
    if (answer.Track == kNumberChecked) track = TwoDigitNumber(step.K);
    else if (answer.Track == kNumberAll) track = TwoDigitNumber(step.Row + 1);
    else if (answer.Track != kDeleteTrack) track = FieldValue(answer.Track, list, step.Row, ColTrack);

    set(Id3v2Field::Title, v.Title, TitleValue(answer, list, step), ColTitle);
    set(Id3v2Field::Artist, v.Artist, FieldValue(answer.Artist, list, step.Row, ColArtist), ColArtist);
    set(Id3v2Field::Album, v.Album, FieldValue(answer.Album, list, step.Row, ColAlbum), ColAlbum);
    set(Id3v2Field::Year, v.Year, FieldValue(answer.Year, list, step.Row, ColYear), ColYear);
    v.Comment = FieldValue(answer.Comment, list, step.Row, ColComment);
    v.CommentOwner = FieldValue(answer.CommentOwner, list, step.Row, ColTagOwner);
    record.SetKept(Id3v2Field::Comment,
                   fromId3v2 && v.Comment == row.Texts[ColComment] && v.CommentOwner == row.Texts[ColTagOwner]);
    set(Id3v2Field::Track, v.Track, std::move(track), ColTrack);
    set(Id3v2Field::Genre, v.Genre, FieldValue(answer.Genre, list, step.Row, ColGenre), ColGenre);
    set(Id3v2Field::URL, v.URL, FieldValue(answer.URL, list, step.Row, ColURL), ColURL);
    set(Id3v2Field::Composer, v.Composer, FieldValue(answer.Composer, list, step.Row, ColComposer), ColComposer);
    set(Id3v2Field::OrigArtist, v.OrigArtist, FieldValue(answer.OrigArtist, list, step.Row, ColOrigArtist),
        ColOrigArtist);
    set(Id3v2Field::Copyright, v.Copyright, FieldValue(answer.Copyright, list, step.Row, ColCopyRight), ColCopyRight);
    set(Id3v2Field::EncodedBy, v.EncodedBy, FieldValue(answer.EncodedBy, list, step.Row, ColEncodedBy), ColEncodedBy);
    set(Id3v2Field::TXXX, v.TXXX, FieldValue(answer.TXXX, list, step.Row, ColTXXX), ColTXXX);
    set(Id3v2Field::UFID, v.UFID, FieldValue(answer.UFID, list, step.Row, ColUFID), ColUFID);
    set(Id3v2Field::MCDI, v.MCDI, FieldValue(answer.MCDI, list, step.Row, ColMCDI), ColMCDI);
    set(Id3v2Field::TSSE, v.TSSE, FieldValue(answer.TSSE, list, step.Row, ColTSSE), ColTSSE);
    set(Id3v2Field::TIT1, v.TIT1, FieldValue(answer.TIT1, list, step.Row, ColTIT1), ColTIT1);
    return record;
}

bool TagFileOutcome::Id3v1RemovalFailed() const {
    return Id3v1Removal && Id3v1Removal->Result != TagResult::Done && Id3v1Removal->Result != TagResult::NoTag;
}

std::string TagFileOutcome::FailureText() const {
    std::string text;
    if (!Reached) text = "not written: the run was aborted before it";
    else if (Prepare == kFileMissing) text = "not written: the file does not exist";
    else if (Prepare == kFileReadOnly && PrepareError != 0)
        text = std::string("not written: making the file writable: ") + std::strerror(PrepareError);
    else if (Prepare == kFileReadOnly) text = "not written: the file is read-only (TryChangeAttrs=0)";
    else if (!Write.Done()) text = "not written: " + TagOutcomeText(Write);
    if (Id3v1RemovalFailed()) {
        if (!text.empty()) text += "; ";
        text += "the ID3v1 tag stays: " + TagOutcomeText(*Id3v1Removal);
    }
    return text;
}

WriteTagsRequest MakeWriteTagsRequest(const FileList& list, int mode) {
    WriteTagsRequest request;
    request.Mode = mode;
    request.CheckedCount = list.CountCheckedRows();
    request.CurrentFolder = list.CurrentFolder;
    request.SampleRow = SampleRow(list);
    for (int i = 0; i < list.RowCount(); ++i) {
        if (!list.Rows()[static_cast<std::size_t>(i)].Checked) continue;
        request.MemoLines.push_back(SubRange(PathPart(list.RowPath(i), 0), 0, 4));
    }
    return request;
}

TagWriteBatchResult TagWriteBatch(FileList& list, int mode, WriteTagsDialogPort& dialog, const TagEngine& engine) {
    TagWriteBatchResult result;
    if (list.RowCount() == 0 || !list.AnyRowChecked()) {
        ShowNoCheckedFiles(list.HostPort());
        return result;
    }
    ResetFolderCounters(list);
    const std::optional<WriteTagsAnswer> answer = dialog.AskWriteTags(MakeWriteTagsRequest(list, mode), list);
    if (!answer) return result;
    result.Confirmed = true;
    result.KillTags = answer->KillTags;

    std::vector<int> checked;
    for (int i = 0; i < list.RowCount(); ++i) {
        if (list.Rows()[static_cast<std::size_t>(i)].Checked) checked.push_back(i);
    }
    result.Files.reserve(checked.size());
    for (const int row : checked) {
        TagFileOutcome outcome;
        outcome.Path = list.RowPath(row);
        if (answer->KillTags) outcome.Id3v1Removal = engine.RemoveId3v1(outcome.Path);
        result.Files.push_back(std::move(outcome));
    }

    const bool v1 = answer->Mode == 1;
    list.Status().ShowStatus(v1 ? kStatusWritingV1 : kStatusWritingV2);
    const int total = static_cast<int>(checked.size());
    TagWriteStep step;
    for (std::size_t i = 0; i < checked.size(); ++i) {
        if (list.CancelRequested()) break;
        TagFileOutcome& file = result.Files[i];
        file.Reached = true;
        step.Row = checked[i];
        step.K = static_cast<int>(i) + 1;
        file.Prepare = PrepareFileForWrite(file.Path, list.Settings().TryChangeAttrs, &file.PrepareError);
        if (file.Prepare == kFileWritable) {
            if (v1) {
                ++step.Numbered;  // only files written use up a number
                file.Write = engine.WriteId3v1(file.Path, BuildId3v1Record(*answer, list, step));
            } else {
                file.Write = engine.WriteId3v2(file.Path, BuildId3v2Record(*answer, list, step));
            }
        }
        if (!file.Written() || file.Id3v1RemovalFailed()) result.Failed = true;
        if (file.Prepare == kFileWritable && file.Write.Result == TagResult::Aborted) break;
        list.Status().ShowProgress(file.Path, 100.0 / total * step.K);
    }
    list.Status().ShowTotal();

    if (result.Failed) {
        list.HostPort().ShowMessage(kFilesUnchanged, kProductName, MessageIcon::Information, MessageButtons::Ok);
    }
    BuildList(list, true, false);
    return result;
}

}  // namespace tagmora
