// tagmora-cli write-tags and remove-tags: the batch tag write driver and the tag removal commands
// on the checked rows of scanned folders, with the answer of the command line in place of the
// dialog and of the question; the files changed on stdout, the files left unchanged on stderr.
#include <cerrno>
#include <cstring>
#include <fstream>
#include <ostream>

#include "cli/CliCommon.h"
#include "common/FileHelpers.h"
#include "tags/Id3v1.h"
#include "tags/Id3v2Read.h"
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

// The lines of a text file (a line feed ends a line; a carriage return before it is dropped).
bool ReadLines(const std::string& path, std::vector<std::string>& lines, int& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = errno;
        return false;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    error = in.bad() ? EIO : 0;
    return !in.bad();
}

std::string WriteFailure(const TagFileOutcome& file) {
    if (!file.Reached) return "not written: the run was aborted before it";
    if (file.Prepare == kFileMissing) return "not written: the file does not exist";
    if (file.Prepare == kFileReadOnly) return "not written: the file is read-only (TryChangeAttrs=0)";
    if (file.Write == 2) return "not written: aborted";
    return "not written";
}

// Does the file still hold a tag of the version?
bool HasTag(const std::string& path, int version, int codePage) {
    if (version == 1) {
        Id3v1Tag tag;
        return ReadId3v1Tag(path, tag, codePage) == 0;
    }
    Id3v2Tag tag;
    return ReadId3v2Tag(path, tag, codePage) == 0;
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
    if (!request.TitlesFrom.empty()) {
        int error = 0;
        if (!ReadLines(request.TitlesFrom, answer.MemoLines, error)) {
            session.Err << "tagmora-cli write-tags: " << EscapeField(request.TitlesFrom) << ": " << std::strerror(error)
                        << '\n';
            return 1;
        }
        answer.Title = std::string(kTakeFromList);
    }
    const bool complete = ScanAndRead(session, folders);
    if (NothingChecked(session)) return 1;

    CliWriteTagsDialog dialog(answer, !request.TitlesFrom.empty());
    TagWriteBatchResult result;
    session.Context.RunCommand(
        [&] { result = WriteTagsMnuClick(session.List, answer.Mode, dialog, session.Context.TagWriteSession()); });
    std::string out;
    int failed = 0;
    for (const TagFileOutcome& file : result.Files) {
        if (file.Written() || file.Id3v1Removed) {
            AppendEscapedField(out, file.Path);
            out += '\n';
        }
        if (!file.Written()) {
            ++failed;
            session.Err << "tagmora-cli write-tags: " << EscapeField(file.Path) << ": " << WriteFailure(file) << '\n';
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
        if (file.Result == 0) {
            AppendEscapedField(out, file.Path);
            out += '\n';
        } else if (file.Result < 0 || HasTag(file.Path, version, session.Settings.TagCodePage)) {
            // Missing, or the tag is still there (read-only with TryChangeAttrs=0, or not cut).
            ++failed;
            session.Err << "tagmora-cli remove-tags: " << EscapeField(file.Path) << ": "
                        << (file.Result < 0 ? "not changed: the file does not exist or could not be rewritten"
                                            : "the tag stays: the file is read-only (TryChangeAttrs=0)")
                        << '\n';
        }
    }
    const int written = FinishOutput(session.Out, out);
    return complete && failed == 0 && written == 0 ? 0 : 1;
}

}  // namespace tagmora::cli
