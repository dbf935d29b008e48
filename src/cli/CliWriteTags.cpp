// tagmora-cli write-tags and remove-tags: the batch tag write driver and the tag removal commands
// on the checked rows of scanned folders, with the answer of the command line in place of the
// dialog and of the question; the files changed on stdout, the files left unchanged on stderr.
#include <cerrno>
#include <cstring>
#include <algorithm>
#include <fstream>
#include <iostream>
#include <iterator>
#include <ostream>

#include "cli/CliCommon.h"
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
        session.Err << "tagmora-cli write-tags: nothing to write: give a field option, --titles-from or --kill-v1\n";
        return 2;
    }
    if (!request.TitlesFrom.empty()) {
        int error = 0;
        const bool fromInput = request.TitlesFrom == "-";
        std::ifstream file;
        if (!fromInput) file.open(request.TitlesFrom, std::ios::binary);
        if ((!fromInput && !file) || !ReadLines(fromInput ? std::cin : file, answer.MemoLines, error)) {
            if (!fromInput && !file) error = errno;
            session.Err << "tagmora-cli write-tags: " << EscapeField(fromInput ? "standard input" : request.TitlesFrom)
                        << ": " << std::strerror(error) << '\n';
            return 1;
        }
        answer.Title = std::string(kTakeFromList);
    }
    const bool complete = ScanAndRead(session, folders);
    if (NothingChecked(session)) return 1;
    if (const int malformed = MalformedFieldColumn(answer, session.List, SampleRow(session.List)); malformed >= 0) {
        session.Err << "tagmora-cli write-tags: " << OptionOfColumn(malformed)
                    << ": the text is a malformed script and gives Error (a lone delimiter cannot be escaped; "
                       "--set ScriptSeparator= makes every text plain); nothing was written\n";
        return 2;
    }
    if (!request.TitlesFrom.empty()) {
        const auto checked = static_cast<std::size_t>(session.List.CountCheckedRows());
        if (answer.MemoLines.size() != checked) {
            session.Err << "tagmora-cli write-tags: the title list has " << answer.MemoLines.size() << " lines for "
                        << checked << " checked files"
                        << (answer.MemoLines.size() < checked ? "; the files without a line keep their titles" : "")
                        << '\n';
        }
    }

    CliWriteTagsDialog dialog(answer, !request.TitlesFrom.empty());
    TagWriteBatchResult result;
    session.Context.RunCommand(
        [&] { result = WriteTagsMnuClick(session.List, answer.Mode, dialog, session.Context.TagWriteSession()); });
    std::string out;
    int failed = 0;
    for (const TagFileOutcome& file : result.Files) {
        if (file.Written() || file.Id3v1Removed()) {
            AppendEscapedField(out, file.Path);
            out += '\n';
        }
        if (const std::string failure = file.FailureText(); !failure.empty()) {
            ++failed;
            session.Err << "tagmora-cli write-tags: " << EscapeField(file.Path) << ": " << failure << '\n';
        }
    }
    const int written = FinishOutput(session.Out, out);
    return complete && result.Confirmed && failed == 0 && written == 0 ? 0 : 1;
}

int RunRemoveTags(CliSession& session, int version, const std::vector<std::string>& folders) {
    const bool complete = ScanAndRead(session, folders);
    if (NothingChecked(session)) return 1;

    std::vector<TagRemovalOutcome> outcomes;
    session.HostPort.AnswerQuestionsYes = true;
    session.Context.RunCommand([&] {
        Id3v2WriteSession& tagSession = session.Context.TagWriteSession();
        outcomes =
            version == 1 ? KillTags1MnuClick(session.List, tagSession) : KillTags2MnuClick(session.List, tagSession);
    });
    session.HostPort.AnswerQuestionsYes = false;
    std::string out;
    int failed = 0;
    for (const TagRemovalOutcome& file : outcomes) {
        const TagResult result = file.Outcome.Result;
        if (result == TagResult::Done) {
            AppendEscapedField(out, file.Path);
            out += '\n';
        } else if (result != TagResult::NoTag) {
            ++failed;
            session.Err << "tagmora-cli remove-tags: " << EscapeField(file.Path) << ": "
                        << (result == TagResult::Missing ? "not changed: " : "the tag stays: ")
                        << TagOutcomeText(file.Outcome) << '\n';
        }
    }
    const int written = FinishOutput(session.Out, out);
    return complete && failed == 0 && written == 0 ? 0 : 1;
}

}  // namespace tagmora::cli
