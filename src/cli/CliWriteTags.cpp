// tagmora-cli write-tags and remove-tags: the batch tag write driver and the tag removal commands
// on the checked rows of scanned folders, with the answer of the command line in place of the
// dialog and of the question; the files changed on stdout, the files left unchanged on stderr.
#include <cerrno>
#include <cstring>
#include <algorithm>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <ostream>

#include "cli/CliCommon.h"
#include "cli/CliMessages.h"
#include "common/FileHelpers.h"
#include "common/Text.h"
#include "script/Script.h"
#include "writetags/TagRemoval.h"
#include "writetags/TagWriteBatch.h"

namespace tagmora::cli {

namespace {

// The batch tag dialog of the command line: the prepared answer, confirmed; the memo as the
// dialog would fill it unless the command gave its lines.
class CliWriteTagsDialog : public WriteTagsDialogPort {
public:
    CliWriteTagsDialog(const WriteTagsAnswer& answer, bool memoGiven) : answer_(answer), memoGiven_(memoGiven) {}
    std::optional<WriteTagsAnswer> AskWriteTags(const WriteTagsRequest& request, const FileList&) override {
        WriteTagsAnswer answer = answer_;
        if (!memoGiven_) answer.MemoLines = request.MemoLines;
        return answer;
    }

private:
    WriteTagsAnswer answer_;
    bool memoGiven_;
};

// The lines of a text (a line feed ends a line; a carriage return before it is dropped).
bool ReadLines(std::istream& in, std::vector<std::string>& lines, int& error) {
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    error = in.bad() ? EIO : 0;
    return !in.bad();
}

// Does the answer keep every field and remove no ID3v1 tag?
bool NothingToWrite(const WriteTagsAnswer& answer) {
    const std::string WriteTagsAnswer::*fields[] = {
        &WriteTagsAnswer::Title,      &WriteTagsAnswer::Artist,       &WriteTagsAnswer::Album,
        &WriteTagsAnswer::Year,       &WriteTagsAnswer::Genre,        &WriteTagsAnswer::Comment,
        &WriteTagsAnswer::Track,      &WriteTagsAnswer::CommentOwner, &WriteTagsAnswer::Composer,
        &WriteTagsAnswer::OrigArtist, &WriteTagsAnswer::Copyright,    &WriteTagsAnswer::TIT1,
        &WriteTagsAnswer::TSSE,       &WriteTagsAnswer::MCDI,         &WriteTagsAnswer::UFID,
        &WriteTagsAnswer::TXXX,       &WriteTagsAnswer::EncodedBy,    &WriteTagsAnswer::URL,
    };
    return !answer.KillTags &&
           std::all_of(std::begin(fields), std::end(fields), [&](auto field) { return answer.*field == kKeepAsIs; });
}

// The write-tags option of a field, by its column.
std::string OptionOfColumn(int column) {
    switch (column) {
        case ColTagOwner: return "--comment-owner";
        case ColOrigArtist: return "--orig-artist";
        case ColEncodedBy: return "--encoded-by";
        default: break;
    }
    std::string option = "--";
    for (const char c : std::string_view(ColumnCaptions()[static_cast<std::size_t>(column)]))
        option.push_back(text::AsciiLower(c));
    return option;
}

// The texts of the rows by path: taken before a batch changes the files, and after it has read
// them again.
using RowTexts = std::map<std::string, std::array<std::string, kColumnCount>>;

RowTexts RowTextsByPath(const FileList& list) {
    RowTexts texts;
    for (const FileRow& row : list.Rows()) {
        auto& columns = texts[row.Path];
        for (int c = 0; c < kColumnCount; ++c) columns[static_cast<std::size_t>(c)] = row.ColumnText(c);
    }
    return texts;
}

// The keys of the tag fields whose text the list shows changed (the file name and size are no
// tag fields).
std::vector<std::string> ChangedFields(const RowTexts& before, const RowTexts& after, const std::string& path) {
    static const std::array<std::string, kColumnCount> kNone;
    const auto old = before.find(path);
    const auto now = after.find(path);
    const auto& oldTexts = old == before.end() ? kNone : old->second;
    const auto& newTexts = now == after.end() ? kNone : now->second;
    std::vector<std::string> keys;
    for (int c = 0; c < kColumnCount; ++c) {
        const auto i = static_cast<std::size_t>(c);
        if (c != ColFile && c != ColFileSize && oldTexts[i] != newTexts[i]) keys.emplace_back(FieldKeys()[i]);
    }
    return keys;
}

// The result line of one file: its path, or with --json {"path", "changed"} or {"path", "error"}.
void AppendFileResult(const CliSession& session, std::string& out, const std::string& path,
                      const std::vector<std::string>& changed, const std::string& error) {
    if (!session.Json) {
        AppendEscapedField(out, path);
        out += '\n';
    } else if (error.empty()) {
        out += JsonLine().Text("path", path).Texts("changed", changed).Line();
    } else {
        out += JsonLine().Text("path", path).Text("error", error).Line();
    }
}

}  // namespace

std::string TrackOptionText(const std::string& option) {
    if (option == "keep") return std::string(kKeepAsIs);
    if (option == "delete") return std::string(kDeleteTrack);
    if (option == "selected") return std::string(kNumberChecked);
    if (option == "all") return std::string(kNumberAll);
    return option;
}

int RunWriteTags(CliSession& session, const WriteTagsCliRequest& request, const std::vector<std::string>& folders) {
    WriteTagsAnswer answer = request.Answer;
    answer.Track = TrackOptionText(answer.Track);
    if (NothingToWrite(answer) && request.TitlesFrom.empty()) {
        session.Say(say::kNothingToWrite);
        return 2;
    }
    if (!request.TitlesFrom.empty()) {
        int error = 0;
        const bool fromInput = request.TitlesFrom == "-";
        std::ifstream file;
        if (!fromInput) file.open(request.TitlesFrom, std::ios::binary);
        if ((!fromInput && !file) || !ReadLines(fromInput ? std::cin : file, answer.MemoLines, error)) {
            if (!fromInput && !file) error = errno;
            session.Say(fromInput ? say::kStandardInput : request.TitlesFrom, std::strerror(error));
            return 1;
        }
        answer.Title = std::string(kTakeFromList);
    }
    const bool complete = ScanAndRead(session, folders);
    if (NothingChecked(session)) return NothingCheckedExit(complete);
    if (const int malformed = MalformedFieldColumn(answer, session.List, SampleRow(session.List)); malformed >= 0) {
        session.Say(OptionOfColumn(malformed), say::kMalformedField);
        return 2;
    }
    if (!request.TitlesFrom.empty()) {
        const auto checked = static_cast<std::size_t>(session.List.CountCheckedRows());
        if (answer.MemoLines.size() != checked) {
            session.Say(TitleListMismatch(answer.MemoLines.size(), checked));
        }
    }

    CliWriteTagsDialog dialog(answer, !request.TitlesFrom.empty());
    const RowTexts before = RowTextsByPath(session.List);
    TagWriteBatchResult result;
    session.Context.RunCommand(
        [&] { result = WriteTagsMnuClick(session.List, answer.Mode, dialog, session.Context.TagWriteSession()); });
    const RowTexts after = RowTextsByPath(session.List);
    std::string out;
    int failed = 0;
    for (const TagFileOutcome& file : result.Files) {
        const std::string failure = file.FailureText();
        if (!failure.empty()) {
            ++failed;
            session.Say(file.Path, failure);
        }
        if (file.Written() || file.Id3v1Removed() || (session.Json && !failure.empty()))
            AppendFileResult(session, out, file.Path, ChangedFields(before, after, file.Path), failure);
    }
    if (failed > 0)
        session.Say(TagBatchSummary(failed, static_cast<int>(result.Files.size()), session.Settings.TryChangeAttrs));
    const int written = FinishOutput(session, out);
    return complete && result.Confirmed && failed == 0 && written == 0 ? 0 : 1;
}

int RunRemoveTags(CliSession& session, int version, const std::vector<std::string>& folders) {
    const bool complete = ScanAndRead(session, folders);
    if (NothingChecked(session)) return NothingCheckedExit(complete);

    const RowTexts before = RowTextsByPath(session.List);
    std::vector<TagRemovalOutcome> outcomes;
    session.HostPort.AnswerQuestionsYes = true;
    session.Context.RunCommand([&] {
        Id3v2WriteSession& tagSession = session.Context.TagWriteSession();
        outcomes =
            version == 1 ? KillTags1MnuClick(session.List, tagSession) : KillTags2MnuClick(session.List, tagSession);
    });
    session.HostPort.AnswerQuestionsYes = false;
    const RowTexts after = RowTextsByPath(session.List);
    std::string out;
    int failed = 0;
    for (const TagRemovalOutcome& file : outcomes) {
        const TagResult result = file.Outcome.Result;
        if (result == TagResult::Done) {
            AppendFileResult(session, out, file.Path, ChangedFields(before, after, file.Path), {});
        } else if (result != TagResult::NoTag) {
            ++failed;
            const std::string failure =
                (result == TagResult::Missing ? say::kNotChanged : say::kTagStays) + TagOutcomeText(file.Outcome);
            session.Say(file.Path, failure);
            if (session.Json) AppendFileResult(session, out, file.Path, {}, failure);
        }
    }
    if (failed > 0)
        session.Say(TagBatchSummary(failed, static_cast<int>(outcomes.size()), session.Settings.TryChangeAttrs));
    const int written = FinishOutput(session, out);
    return complete && failed == 0 && written == 0 ? 0 : 1;
}

}  // namespace tagmora::cli
