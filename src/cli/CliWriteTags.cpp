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
#include <optional>
#include <ostream>

#include <CLI/CLI.hpp>

#include "cli/CliCommon.h"
#include "cli/CliCommands.h"
#include "cli/CliMessages.h"
#include "common/FileHelpers.h"
#include "common/Text.h"
#include "platform/FileIo.h"
#include "script/Script.h"
#include "tags/Pictures.h"
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

// Does the answer keep every field and the pictures and remove no ID3v1 tag?
bool NothingToWrite(const WriteTagsAnswer& answer) {
    return !answer.KillTags && (answer.Cover.empty() || answer.Cover == kKeepAsIs) &&
           std::all_of(kAnswerTexts.begin(), kAnswerTexts.end(),
                       [&](auto field) { return answer.*field == kKeepAsIs; });
}

// The texts of the rows by path: taken before a batch changes the files, and after it has read
// them again.
using RowTexts = std::map<std::string, std::array<std::string, kColumnCount>>;

RowTexts RowTextsByPath(const FileList& list) {
    RowTexts texts;
    for (const FileRow& row : list.Rows()) {
        auto& columns = texts[row.Path()];
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

// The key of the front cover in the output, and its place among the columns of a FieldChange.
constexpr std::string_view kCoverKey = "cover";
constexpr int kCoverChange = -1;

// A cover as the dry run shows it: "image/jpeg 48213 bytes", or "-" for none.
std::string CoverText(std::string_view mime, std::size_t bytes) {
    return std::string(mime) + " " + std::to_string(bytes) + " bytes";
}

// The change of a planned file's front cover: the cover it has and the one it would get; nothing
// when the pictures stay (or there are none to remove).
std::optional<FieldChange> CoverChange(const TagFilePlan& file, const WriteTagsAnswer& answer) {
    const CoverEdit edit = file.Id3v2.Cover;
    if (answer.Mode != 2 || edit == CoverEdit::Keep) return std::nullopt;
    const TagPictures pictures = ReadTagPictures(file.Path);
    if (edit == CoverEdit::RemoveAll && pictures.Count == 0) return std::nullopt;
    FieldChange change{kCoverChange, "-", "-"};
    if (pictures.FrontCover) change.Old = CoverText(pictures.FrontCover->Mime, pictures.FrontCover->Bytes.size());
    if (edit == CoverEdit::Set) {
        const std::string& picture = file.CoverPath.empty() ? answer.Cover : file.CoverPath;
        const fileio::PathStatus status = fileio::StatPath(picture);
        change.New =
            CoverText(LoadPictureFile(picture, false).Mime, static_cast<std::size_t>(status.Size)) + " " + picture;
    } else if (pictures.Count > 1 || !pictures.FrontCover) {
        change.Old += " (" + std::to_string(pictures.Count) + " pictures)";
    }
    return change;
}

// write-tags --dry-run: the plan's changes on stdout, the files it would not write on stderr.
int PrintTagWritePlan(CliSession& session, WriteTagsDialogPort& dialog, int mode, bool complete) {
    std::optional<TagWritePlan> plan;
    TagWriteBatchResult asked;
    session.Context.RunCommand([&] { plan = AskAndPlanTagWrite(session.List, mode, dialog, asked); });
    if (!plan) return 1;
    std::string out;
    int refused = 0;
    for (const TagFilePlan& file : plan->Files) {
        // Why the run would not write the file, as it would say it, in the conditional of a plan;
        // a damaged ID3v2 tag, which the writer refuses, is looked for by the dry run alone.
        std::string reason;
        const std::string damage = file.Writes() && mode == 2 ? Id3v2FileDamage(file.Path) : std::string();
        if (!damage.empty()) {
            reason = std::string(say::kWouldNotBeWritten) + ": " +
                     TagOutcomeText(TagOutcome::Fail(TagStep::Damaged, 0, damage));
        } else if (!file.Writes()) {
            TagFileOutcome outcome;
            outcome.Path = file.Path;
            outcome.Reached = true;
            outcome.Prepare = file.Readiness;
            outcome.PrepareError = file.ReadinessError;
            outcome.ScriptFailedColumn = file.ScriptFailedColumn;
            outcome.CoverFailure = file.CoverFailure;
            constexpr std::string_view kRunSays = "not written";
            reason = outcome.FailureText();
            if (reason.starts_with(kRunSays)) reason.replace(0, kRunSays.size(), say::kWouldNotBeWritten);
        }
        if (!reason.empty()) {
            ++refused;
            session.Say(file.Path, reason);
            if (session.Json) out += JsonLine().Text("path", file.Path).Text("error", reason).Line();
            continue;
        }
        std::vector<FieldChange> changes = file.Changes;
        if (const std::optional<FieldChange> cover = CoverChange(file, plan->Answer)) changes.push_back(*cover);
        for (const FieldChange& change : changes) {
            const std::string field = change.Column == kCoverChange
                                          ? std::string(kCoverKey)
                                          : FieldKeys()[static_cast<std::size_t>(change.Column)];
            if (session.Json) {
                out += JsonLine()
                           .Text("path", file.Path)
                           .Text("field", field)
                           .Text("old", change.Old)
                           .Text("new", change.New)
                           .Line();
                continue;
            }
            for (const std::string* text : {&file.Path, &field, &change.Old, &change.New}) {
                AppendEscapedField(out, *text);
                out += text == &change.New ? '\n' : '\t';
            }
        }
    }
    if (refused > 0) session.Say(BatchSummary(refused, static_cast<int>(plan->Files.size()), say::kWouldNotBeWritten));
    const int written = FinishOutput(session, out);
    return complete && refused == 0 && written == 0 ? 0 : 1;
}

}  // namespace

std::string CoverOptionText(const std::string& option) {
    if (option.empty()) return std::string(kKeepAsIs);
    if (option == "folder") return std::string(kCoverFromFolder);
    if (option == "delete") return std::string(kDeleteCover);
    return option;
}

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
    answer.Cover = CoverOptionText(request.Cover);
    if (const CoverPlan cover = PlanCover(answer); cover.Refused) {  // before any file is read or written
        session.Say(answer.Cover, "cannot be a cover: " + PictureFileProblem(*cover.Refused));
        return 2;
    }
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
        session.Say(TagFieldOf(malformed).Option, say::kMalformedField);
        return 2;
    }
    if (!request.TitlesFrom.empty()) {
        const auto checked = static_cast<std::size_t>(session.List.CountCheckedRows());
        if (answer.MemoLines.size() != checked) {
            session.Say(TitleListMismatch(answer.MemoLines.size(), checked));
        }
    }

    CliWriteTagsDialog dialog(answer, !request.TitlesFrom.empty());
    if (request.DryRun) return PrintTagWritePlan(session, dialog, answer.Mode, complete);
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
        if (file.Written() || file.Id3v1Removed() || (session.Json && !failure.empty())) {
            std::vector<std::string> changed = ChangedFields(before, after, file.Path);
            if (file.Written() && answer.Mode == 2 && answer.Cover != kKeepAsIs) changed.emplace_back(kCoverKey);
            AppendFileResult(session, out, file.Path, changed, failure);
        }
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

namespace {

// The help of a field option.
std::string FieldOptionHelp(const TagField& field) {
    return std::string(field.OptionHelp) + (field.Id3v2Only() ? "; ID3v2 only" : "");
}

}  // namespace

AddedCommand AddWriteTagsCommand(CLI::App& app, SharedOptions& shared) {
    struct Options {
        WriteTagsCliRequest Request;
        bool V1 = false;
        bool V2 = false;
        std::vector<CLI::Option*> Fields;  // in the order of kAnswerColumns
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand(
        "write-tags",
        "write the ID3v1 or ID3v2 tags of the checked files, field by field as the batch tag dialog does; "
        "prints the path of each file changed");
    command->footer(
        "Each field option takes a text or a script evaluated on each row (write --title=TEXT for a text that "
        "starts with \"-\"); an empty text empties the field; a field not given is kept as the list shows it.\n"
        "\n"
        "Examples:\n  tagmora-cli write-tags --v2 --album '%p1%' --track selected ~/Music/Album\n"
        "  tagmora-cli write-tags --v1 --genre Rock --where Artist = 'Some Band' ~/Music");
    CLI::Option_group* version = command->add_option_group("version", "one of");
    CLI::Option* v1 = version->add_flag("--v1", options->V1, "write ID3v1 tags");
    version->add_flag("--v2", options->V2, "write ID3v2 tags");
    version->require_option(1);
    for (std::size_t i = 0; i < kAnswerColumns.size(); ++i) {  // the options in the dialog's order
        const TagField& field = TagFieldOf(kAnswerColumns[i]);
        CLI::Option* option =
            command->add_option(field.Option, options->Request.Answer.*kAnswerTexts[i], FieldOptionHelp(field))
                ->type_name("TEXT");
        if (field.Id3v2Only()) option->excludes(v1);
        options->Fields.push_back(option);
    }
    command
        ->add_option("--titles-from", options->Request.TitlesFrom,
                     "the titles, one line per checked file in list order (as the dialog's title list)")
        ->type_name("FILE")
        ->excludes(options->Fields.front());
    command->add_flag("--dry-run", options->Request.DryRun,
                      "print PATH<TAB>FIELD<TAB>OLD<TAB>NEW per field that would change and touch nothing; files the "
                      "run would not write are failures");
    command
        ->add_option("--cover", options->Request.Cover,
                     "the front cover: a JPEG or PNG file of at most 16 MiB, \"folder\" for each file's folder "
                     "picture (cover, folder, front or albumart .jpg/.jpeg/.png), or \"delete\" to remove every "
                     "picture; not given: the pictures stay; ID3v2 only")
        ->type_name("FILE|folder|delete")
        ->excludes(v1);
    command->add_flag("--kill-v1", options->Request.Answer.KillTags,
                      "first remove the ID3v1 tag of every checked file");
    command->add_flag("--json", shared.Json,
                      "one JSON object per file: {\"path\", \"changed\": [fields]} or {\"path\", \"error\"}");
    AddFolders(*command, shared.Folders);
    AddMarkingOptions(*command, shared.Marking);
    return {command, [options, &shared](CliSession& session) {
                WriteTagsCliRequest& request = options->Request;
                request.Answer.Mode = options->V1 ? 1 : 2;
                for (std::size_t i = 0; i < options->Fields.size(); ++i) {
                    if (options->Fields[i]->count() == 0) request.Answer.*kAnswerTexts[i] = kKeepAsIs;
                }
                return RunWriteTags(session, request, shared.Folders);
            }};
}

AddedCommand AddRemoveTagsCommand(CLI::App& app, SharedOptions& shared) {
    auto version = std::make_shared<int>(0);
    CLI::App* command = app.add_subcommand(
        "remove-tags", "remove the ID3v1 or ID3v2 tag of the checked files; prints each file changed");
    CLI::Option_group* which = command->add_option_group("version", "one of");
    command->footer("Example:\n  tagmora-cli remove-tags --v1 --mark full ~/Music");
    which->add_flag_callback(
        "--v1", [version] { *version = 1; }, "remove ID3v1 tags");
    which->add_flag_callback(
        "--v2", [version] { *version = 2; }, "remove ID3v2 tags");
    which->require_option(1);
    command->add_flag("--json", shared.Json,
                      "one JSON object per file: {\"path\", \"changed\": [fields]} or {\"path\", \"error\"}");
    AddFolders(*command, shared.Folders);
    AddMarkingOptions(*command, shared.Marking);
    return {command,
            [version, &shared](CliSession& session) { return RunRemoveTags(session, *version, shared.Folders); }};
}

}  // namespace tagmora::cli
