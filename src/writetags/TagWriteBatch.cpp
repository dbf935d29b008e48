// The batch tag write driver: the dialog request, the record of each checked row, the two loops.
#include "writetags/TagWriteBatch.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <tuple>

#include "common/FileHelpers.h"
#include "common/Messages.h"
#include "common/Text.h"
#include "filelist/BuildList.h"
#include "filelist/FileList.h"
#include "script/Script.h"
#include "tags/Genres.h"
#include "tags/TagFields.h"

namespace tagmora {

namespace {

constexpr int kTrackMax = 255;

std::string Cut(std::string_view value, std::size_t characters) { return text::TakeCodePoints(value, characters); }

// The title of a row: the memo line that belongs to the k-th checked row with "Взять из списка"
// (the listed title when the memo has no such line), otherwise FieldValue on column 1.
template <typename Value>
std::string TitleValue(const WriteTagsAnswer& answer, FileList& list, const TagWriteStep& step, Value& value) {
    if (answer.Title == kTakeFromList) {
        const auto line = static_cast<std::size_t>(step.K - 1);
        if (line < answer.MemoLines.size()) return answer.MemoLines[line];
        return ListedValue(list.Rows()[static_cast<std::size_t>(step.Row)], ColTitle);
    }
    return value(answer.Title, ColTitle);
}

// FieldValue on one row, remembering in `failed` the column of the first field whose text (not
// "Оставить как есть") gives "Error": such a row is not written.
auto ValueOnRow(FileList& list, int row, int* failed) {
    return [&list, row, failed](std::string_view text, int column) {
        std::string value = FieldValue(text, list, row, column);
        if (failed != nullptr && *failed < 0 && text != kKeepAsIs && value == kScriptError) *failed = column;
        return value;
    };
}

int NumberOrNone(long long n) { return n < 0 || n > kTrackMax ? 0 : static_cast<int>(n); }

// The paths of a box, one per line; past the first 20 the number of the rest.
std::string NamedPaths(const std::vector<std::string>& paths) {
    constexpr std::size_t kShown = 20;
    std::string text;
    for (std::size_t i = 0; i < paths.size() && i < kShown; ++i) text += "\n" + paths[i];
    if (paths.size() > kShown) text += "\n... и ещё " + std::to_string(paths.size() - kShown);
    return text;
}

}  // namespace

std::string ListedValue(const FileRow& row, int column) {
    // "Пусто" in the Title column of a file without a tag is the list's placeholder, not a title.
    if (column == ColTitle && row.ColumnText(ColId3v) == "0") return {};
    return std::string(row.ColumnText(column));
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

Id3v1Tag BuildId3v1Record(const WriteTagsAnswer& answer, FileList& list, const TagWriteStep& step, int* failed) {
    auto value = ValueOnRow(list, step.Row, failed);
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
            Id3v1TrackOfListed(list.Rows()[static_cast<std::size_t>(step.Row)].ColumnText(ColTrack)));
    } else {
        int number = 0;
        if (!Id3v1TrackOfNumber(value(track, ColTrack), number)) number = kId3v1TrackOfNoNumber;
        tag.Track = static_cast<std::uint8_t>(number);
    }
    tag.Title = Cut(TitleValue(answer, list, step, value), kId3v1TextChars);
    tag.Album = Cut(value(answer.Album, ColAlbum), kId3v1TextChars);
    tag.Artist = Cut(value(answer.Artist, ColArtist), kId3v1TextChars);
    tag.Comment = Cut(value(answer.Comment, ColComment), kId3v1TextChars);
    tag.Year = Cut(value(answer.Year, ColYear), kId3v1YearChars);
    tag.Genre = static_cast<std::uint8_t>(GenreIndexOf(value(answer.Genre, ColGenre)));
    return tag;
}

Id3v2WriteRecord BuildId3v2Record(const WriteTagsAnswer& answer, FileList& list, const TagWriteStep& step,
                                  int* failed) {
    auto value = ValueOnRow(list, step.Row, failed);
    const FileRow& row = list.Rows()[static_cast<std::size_t>(step.Row)];
    const bool fromId3v2 = row.ColumnText(ColId3v) == "2";
    Id3v2WriteRecord record;
    Id3v2Tag& v = record.Values;
    // Sets a field's value; keeps its old frame when the row shows the ID3v2 tag with that text.
    const auto set = [&](Id3v2Field field, std::string& target, std::string value, int column) {
        if (fromId3v2 && value == row.ColumnText(column)) record.SetKept(field, true);
        target = std::move(value);
    };

    // The track first, then the title and the other fields, so that the scripts' "nn" counts in
    // the same order in both versions.
    std::string track;
    if (answer.Track == kNumberChecked) track = TwoDigitNumber(step.K);
    else if (answer.Track == kNumberAll) track = TwoDigitNumber(step.Row + 1);
    else if (answer.Track != kDeleteTrack) track = value(answer.Track, ColTrack);

    for (std::size_t i = 0; i < kId3v2FieldCount; ++i) {
        const auto field = static_cast<Id3v2Field>(i);
        const TagField& written = TagFieldOf(kWrittenColumns[i]);
        switch (written.Column) {
            case ColTitle: set(field, v.Title, TitleValue(answer, list, step, value), ColTitle); break;
            case ColTrack: set(field, v.Track, std::move(track), ColTrack); break;
            case ColComment:
                v.Comment = value(answer.Comment, ColComment);
                v.CommentOwner = value(answer.CommentOwner, ColTagOwner);
                record.SetKept(field, fromId3v2 && v.Comment == row.ColumnText(ColComment) &&
                                          v.CommentOwner == row.ColumnText(ColTagOwner));
                break;
            default:
                set(field, v.*written.Member, value(AnswerText(answer, written.Column), written.Column),
                    written.Column);
        }
    }
    return record;
}

bool TagFileOutcome::Id3v1RemovalFailed() const {
    return Id3v1Removal && Id3v1Removal->Result != TagResult::Done && Id3v1Removal->Result != TagResult::NoTag;
}

std::string TagFileOutcome::FailureText() const {
    std::string text;
    if (!Reached) text = "not written: the run was aborted before it";
    else if (Prepare == FileReadiness::Missing) text = "not written: the file does not exist";
    else if (Prepare == FileReadiness::ReadOnly && PrepareError != 0)
        text = std::string("not written: making the file writable: ") + std::strerror(PrepareError);
    else if (Prepare == FileReadiness::ReadOnly) text = "not written: the file is read-only (TryChangeAttrs=0)";
    else if (ScriptFailedColumn >= 0)
        text = std::string("not written: the text of the ") +
               ColumnCaptions()[static_cast<std::size_t>(ScriptFailedColumn)] + " field gives Error on this file";
    else if (!CoverFailure.empty()) text = "not written: " + CoverFailure;
    else if (!Write.Done()) text = "not written: " + TagOutcomeText(Write);
    if (Id3v1RemovalFailed()) {
        if (!text.empty()) text += "; ";
        text += "the ID3v1 tag stays: " + TagOutcomeText(*Id3v1Removal);
    }
    return text;
}

int MalformedFieldColumn(const WriteTagsAnswer& answer, const FileList& list, int sampleRow) {
    // The ID3v1 fields in their slots' order, then the ID3v2-only ones in the order their frames are
    // written: the first malformed text in this order is reported.
    static constexpr std::array<ColumnId, kAnswerFieldCount> kChecked = [] {
        std::array<ColumnId, kAnswerFieldCount> out{};
        std::size_t n = 0;
        for (int slot = 1; slot <= static_cast<int>(Id3v1Slot::Comment); ++slot) {
            for (const TagField& field : kTagFields) {
                if (field.V1 == static_cast<Id3v1Slot>(slot)) out[n++] = field.Column;
            }
        }
        for (int written = 0; written < static_cast<int>(kId3v2FieldCount); ++written) {
            for (const TagField& field : kTagFields) {
                if (field.Id3v2Only() && field.Field == static_cast<Id3v2Field>(written)) out[n++] = field.Column;
            }
        }
        return out;
    }();
    for (const ColumnId column : kChecked) {
        if (TagFieldOf(column).Id3v2Only() && answer.Mode == 1) continue;
        const std::string& text = AnswerText(answer, column);
        const bool keyword = text == kKeepAsIs || text == kTakeFromList || text == kNumberChecked ||
                             text == kNumberAll || (column == ColTrack && text == kDeleteTrack);
        if (!keyword && !text.empty() && CheckScript(text, list, sampleRow) == kScriptError) return column;
    }
    return -1;
}

std::string MalformedFieldText(int column) {
    return std::string("Поле ") + ColumnCaptions()[static_cast<std::size_t>(column)] +
           ": ошибка в скрипте (Error). Одиночный символ-разделитель нельзя записать как текст; чтобы тексты "
           "не считались скриптами, очистите разделитель в настройках.";
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

namespace {

// The fields of a planned file whose text changes from what its row shows.
std::vector<FieldChange> ChangesOf(const TagFilePlan& file, const FileRow& row, int mode) {
    std::vector<FieldChange> changes;
    const auto add = [&](int column, std::string value) {
        std::string old = ListedValue(row, column);
        if (value != old) changes.push_back({column, std::move(old), std::move(value)});
    };
    if (mode == 1) {
        const Id3v1Tag& tag = file.Id3v1;
        add(ColTitle, tag.Title);
        add(ColArtist, tag.Artist);
        add(ColAlbum, tag.Album);
        add(ColYear, tag.Year);
        add(ColTrack, tag.Track == 0 ? std::string() : std::to_string(tag.Track));
        add(ColGenre, GenreNameOf(tag.Genre));
        add(ColComment, tag.Comment);
    } else {
        // In the order the frames are written, the comment's owner beside the comment.
        for (std::size_t i = 0; i < kId3v2FieldCount; ++i) {
            if (file.Id3v2.Keep[i]) continue;
            const TagField& field = TagFieldOf(kWrittenColumns[i]);
            add(field.Column, file.Id3v2.Values.*field.Member);
            if (field.Shape == FieldShape::Comment) add(ColTagOwner, file.Id3v2.Values.CommentOwner);
        }
    }
    return changes;
}

}  // namespace

CoverPlan PlanCover(const WriteTagsAnswer& answer) {
    CoverPlan cover;
    const std::string& choice = answer.Cover;
    if (answer.Mode != 2 || choice.empty() || choice == kKeepAsIs) return cover;
    if (choice == kDeleteCover) {
        cover.Edit = CoverEdit::RemoveAll;
        return cover;
    }
    cover.Edit = CoverEdit::Set;
    if (choice == kCoverFromFolder) {
        cover.FromFolder = true;
        return cover;
    }
    PictureFile file = LoadPictureFile(choice);
    if (file.Status != PictureFileStatus::Ok) cover.Refused = std::move(file);
    else cover.Content = std::make_shared<const std::string>(FrontCoverContent(file.Mime, file.Bytes));
    return cover;
}

std::string CoverRefusedText(const std::string& path, const PictureFile& file) {
    switch (file.Status) {
        case PictureFileStatus::NotPicture: return std::string(kCoverNotPicture) + "\n" + path;
        case PictureFileStatus::TooLarge: return std::string(kCoverTooLarge) + "\n" + path;
        default: return std::string(kCoverNotRead) + " (код ошибки - " + std::to_string(file.Error) + "):\n" + path;
    }
}

namespace {

// Why a folder's picture cannot be set.
std::string FolderPictureProblem(const std::string& path, const PictureFile& file) {
    return "the cover picture " + path + ": " + PictureFileProblem(file);
}

// The picture of `folder` a cover is set from, or why none can be ("" path).
std::pair<std::string, std::string> FolderCover(const std::string& folder) {
    std::string path = FolderPicturePath(folder);
    if (path.empty())
        return {{}, "its folder has no cover picture (cover, folder, front or albumart with .jpg, .jpeg or .png)"};
    const PictureFile file = LoadPictureFile(path, false);
    if (file.Status != PictureFileStatus::Ok) return {{}, FolderPictureProblem(path, file)};
    return {std::move(path), {}};
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.rfind('/') + 1); }

}  // namespace

TagWritePlan PlanTagWrite(const WriteTagsAnswer& answer, FileList& list, const CoverPlan& cover) {
    TagWritePlan plan;
    plan.Answer = answer;
    TagWriteStep step;
    std::map<std::string, std::pair<std::string, std::string>> folderCovers;
    for (int row = 0; row < list.RowCount(); ++row) {
        if (!list.Rows()[static_cast<std::size_t>(row)].Checked) continue;
        TagFilePlan& file = plan.Files.emplace_back();
        file.Row = step.Row = row;
        file.Path = list.RowPath(row);
        step.K = static_cast<int>(plan.Files.size());
        file.Readiness = CheckFileForWrite(file.Path, list.Settings().TryChangeAttrs, &file.ReadinessError);
        if (file.Readiness != FileReadiness::Writable) continue;
        if (answer.Mode == 1) {
            ++step.Numbered;  // only files written use up a number
            file.Id3v1 = BuildId3v1Record(answer, list, step, &file.ScriptFailedColumn);
            if (file.ScriptFailedColumn >= 0) --step.Numbered;  // not written: its number goes to the next file
        } else {
            file.Id3v2 = BuildId3v2Record(answer, list, step, &file.ScriptFailedColumn);
            file.Id3v2.Cover = cover.Edit;
            file.Id3v2.CoverContent = cover.Content;
            if (cover.FromFolder) {
                const std::string folder = FolderOf(file.Path);
                auto found = folderCovers.find(folder);
                if (found == folderCovers.end()) found = folderCovers.emplace(folder, FolderCover(folder)).first;
                std::tie(file.CoverPath, file.CoverFailure) = found->second;
            }
        }
        if (file.ScriptFailedColumn < 0)
            file.Changes = ChangesOf(file, list.Rows()[static_cast<std::size_t>(row)], answer.Mode);
    }
    return plan;
}

namespace {

// The APIC content of the folder pictures a run sets, read once per picture while the files of its
// folder follow each other (the last one kept).
class FolderCoverCache {
public:
    std::shared_ptr<const std::string> Get(const std::string& path, std::string& failure) {
        if (path != path_) {
            path_ = path;
            content_.reset();
            PictureFile file = LoadPictureFile(path);
            if (file.Status == PictureFileStatus::Ok)
                content_ = std::make_shared<const std::string>(FrontCoverContent(file.Mime, file.Bytes));
            else failure_ = FolderPictureProblem(path, file);
        }
        if (!content_) failure = failure_;
        return content_;
    }

private:
    std::string path_;
    std::string failure_;
    std::shared_ptr<const std::string> content_;
};

}  // namespace

void ApplyTagWritePlan(const TagWritePlan& plan, FileList& list, const TagEngine& engine, TagWriteBatchResult& result) {
    FolderCoverCache folderCovers;
    result.Files.reserve(plan.Files.size());
    for (const TagFilePlan& planned : plan.Files) {
        TagFileOutcome& outcome = result.Files.emplace_back();
        outcome.Path = planned.Path;
        if (plan.Answer.KillTags) outcome.Id3v1Removal = engine.RemoveId3v1(outcome.Path);
    }
    const bool v1 = plan.Answer.Mode == 1;
    list.Status().ShowStatus(v1 ? kStatusWritingV1 : kStatusWritingV2);
    const auto total = static_cast<double>(plan.Files.size());
    for (std::size_t i = 0; i < plan.Files.size(); ++i) {
        if (list.CancelRequested()) break;
        const TagFilePlan& planned = plan.Files[i];
        TagFileOutcome& file = result.Files[i];
        file.Reached = true;
        if (planned.Readiness != FileReadiness::Writable) {
            file.Prepare = planned.Readiness;
            file.PrepareError = planned.ReadinessError;
        } else {
            file.Prepare = PrepareFileForWrite(file.Path, list.Settings().TryChangeAttrs, &file.PrepareError);
        }
        if (file.Prepare == FileReadiness::Writable) {
            file.CoverFailure = planned.CoverFailure;
            std::shared_ptr<const std::string> folderCover;
            if (!planned.CoverPath.empty() && file.CoverFailure.empty()) {
                folderCover = folderCovers.Get(planned.CoverPath, file.CoverFailure);
            }
            if (planned.ScriptFailedColumn >= 0 || !file.CoverFailure.empty()) {
                file.ScriptFailedColumn = planned.ScriptFailedColumn;
                file.Write = {TagResult::Failed, TagStep::None, 0, {}};
            } else if (v1) {
                file.Write = engine.WriteId3v1(file.Path, planned.Id3v1);
            } else if (folderCover) {
                Id3v2WriteRecord record = planned.Id3v2;
                record.CoverContent = std::move(folderCover);
                file.Write = engine.WriteId3v2(file.Path, record);
            } else {
                file.Write = engine.WriteId3v2(file.Path, planned.Id3v2);
            }
        }
        if (!file.Written() || file.Id3v1RemovalFailed()) result.Failed = true;
        if (file.Prepare == FileReadiness::Writable && file.Write.Result == TagResult::Aborted) break;
        list.Status().ShowProgress(file.Path, 100.0 / total * static_cast<double>(i + 1));
    }
    list.Status().ShowTotal();
}

std::optional<TagWritePlan> AskAndPlanTagWrite(FileList& list, int mode, WriteTagsDialogPort& dialog,
                                               TagWriteBatchResult& result) {
    if (list.RowCount() == 0 || !list.AnyRowChecked()) {
        ShowNoCheckedFiles(list.HostPort());
        return std::nullopt;
    }
    ResetFolderCounters(list);
    const std::optional<WriteTagsAnswer> answer = dialog.AskWriteTags(MakeWriteTagsRequest(list, mode), list);
    if (!answer) return std::nullopt;
    result.Confirmed = true;
    if (const int malformed = MalformedFieldColumn(*answer, list, SampleRow(list)); malformed >= 0) {
        result.Failed = true;
        list.HostPort().ShowMessage(MalformedFieldText(malformed), kProductName, MessageIcon::Error,
                                    MessageButtons::Ok);
        return std::nullopt;
    }
    const CoverPlan cover = PlanCover(*answer);
    if (cover.Refused) {
        result.Failed = true;
        Notice notice{NoticeKind::CoverRefused, answer->Cover, cover.Refused->Error};
        notice.Reason = PictureFileProblem(*cover.Refused);
        list.HostPort().ShowNotice(notice, CoverRefusedText(answer->Cover, *cover.Refused), kProductName,
                                   MessageIcon::Error, MessageButtons::Ok);
        return std::nullopt;
    }
    result.KillTags = answer->KillTags;
    return PlanTagWrite(*answer, list, cover);
}

TagWriteBatchResult TagWriteBatch(FileList& list, int mode, WriteTagsDialogPort& dialog, const TagEngine& engine) {
    TagWriteBatchResult result;
    const std::optional<TagWritePlan> plan = AskAndPlanTagWrite(list, mode, dialog, result);
    if (!plan) return result;
    ApplyTagWritePlan(*plan, list, engine, result);
    if (result.Failed) {
        std::string text = kFilesUnchanged;
        std::vector<std::string> noCover;
        for (const TagFileOutcome& file : result.Files) {
            if (!file.CoverFailure.empty()) noCover.push_back(file.Path);
        }
        if (!noCover.empty()) text += std::string("\n\n") + kNoFolderCover + NamedPaths(noCover);
        list.HostPort().ShowNotice({NoticeKind::FilesUnchanged}, text, kProductName, MessageIcon::Information,
                                   MessageButtons::Ok);
    }
    BuildList(list, true, false);
    return result;
}

}  // namespace tagmora
