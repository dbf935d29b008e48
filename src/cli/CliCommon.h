// The command-line front end: one session (settings, list, ports) and the shared steps of
// every command.
#pragma once

#include <array>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/CliMarking.h"
#include "commands/CommandContext.h"
#include "commands/Dialogs.h"
#include "common/Ports.h"
#include "filelist/FileList.h"
#include "settings/AppSettings.h"
#include "settings/SettingsStore.h"
#include "writetags/WriteTagsDialog.h"

namespace tagmora::cli {

// The messages of one command on stderr, as CliMessages.h words them: the core's boxes by their
// notice (a box without one as its text), and the command's own. Pickers are never confirmed;
// nothing is shown. Counts the error boxes (a file that cannot be opened while the rows are read).
class CliHost : public NullHost {
public:
    CliHost(std::ostream& err, std::string command) : err_(err), command_(std::move(command)) {}
    MessageResult ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons) override;
    MessageResult ShowNotice(const Notice& notice, const std::string& text, const std::string& caption,
                             MessageIcon icon, MessageButtons buttons) override;
    // "tagmora-cli COMMAND: reason" and "tagmora-cli COMMAND: PATH: reason" on stderr.
    void Say(std::string_view reason);
    void Say(std::string_view path, std::string_view reason);
    const std::string& Command() const { return command_; }
    int ErrorCount() const { return errors_; }
    // A question (Yes and No) the user already answered by the command given: Yes, nothing shown.
    bool AnswerQuestionsYes = false;

private:
    MessageResult Answer(MessageIcon icon, MessageButtons buttons);
    std::ostream& err_;
    std::string command_;
    int errors_ = 0;
};

// Progress of a long run on stderr, only when stderr is a terminal and the run has taken longer
// than a second: one line rewritten in place ("tagmora-cli list: 120/400 /music/Album"), at most
// ten times a second, cleared when the run ends. Nothing else of the status bar is shown.
class CliStatusReporter : public NullStatusReporter, public CommandFrame {
public:
    explicit CliStatusReporter(std::string command);
    ~CliStatusReporter() override { Clear(); }
    void ShowStatus(const std::string& text) override;
    void ShowProgress(const std::string& text, double percent) override;
    void ShowFolderPanel(const std::string& text) override;
    // Takes the progress line off the terminal (also when a command ends, before its messages).
    void Clear();
    void CommandStarting() override {}
    void CommandEnded() override { Clear(); }

private:
    // Is a line to be drawn now? Asked before a line is made.
    bool DrawDue() const;
    void Draw(const std::string& line);
    std::string command_;
    bool terminal_;
    std::int64_t startMs_;
    std::int64_t lastDrawMs_ = 0;
    int done_ = 0;
    bool shown_ = false;
};

// One run of the command line: the command context of the program, with the store files of this
// user and installation, ports that show nothing, and dialogs that are never confirmed. `command`
// names the command in its messages ("rename", "settings set").
struct CliSession {
    CliSession(std::ostream& out, std::ostream& err, const std::string& command);
    std::ostream& Out;
    std::ostream& Err;
    FileSettingsStore Store;
    CliStatusReporter Status;
    CliHost HostPort;
    NullDialogs DialogsPort;
    CommandContext Context;
    // The context's settings and file list.
    AppSettings& Settings;
    FileList& List;
    // What the load of the stored settings found (before any --set override).
    SettingsLoadResult LoadResult = SettingsLoadResult::FirstRun;
    // The --mark and --where of the command, applied by ScanAndRead once the rows are read.
    MarkingOptions Marking;
    // --json: one JSON object per line on stdout.
    bool Json = false;
    // The errno value of the first write to Out that failed (0: none, or none known).
    int OutputError = 0;

    // "tagmora-cli COMMAND: [PATH: ]reason" on stderr.
    void Say(std::string_view reason) { HostPort.Say(reason); }
    void Say(std::string_view path, std::string_view reason) { HostPort.Say(path, reason); }
};

// Loads the stored settings (the first-run defaults when none are stored; nothing is saved),
// then applies the --set overrides. False with a message on stderr when the stored settings'
// file exists but cannot be read as settings, or on a bad override.
bool LoadSessionSettings(CliSession& session, const std::vector<std::pair<std::string, std::string>>& sets);

// Opens the folders as the program does with its own command line (OpenCommandLineFolders: full
// paths; with IncludeSubDirs the first fresh and the others appended, without it the first only)
// and reads every row, then applies the session's marking (ApplyMarking). Each folder that does
// not exist or cannot be read, given or met inside the tree, gets a message on stderr; so does
// every file that cannot be opened (the error box). A folder given twice, or inside a folder given
// before it that is scanned with its subfolders, is scanned once (a note on stderr). False when a
// folder or file could not be read: the command ends with exit code 1 after its output.
bool ScanAndRead(CliSession& session, const std::vector<std::string>& folders);

// True, with "no file is checked" on stderr, when no row is checked (or there is none).
bool NothingChecked(CliSession& session);
// The exit code of a command that found nothing checked: 2, nothing to do; 1 when the rows were
// not all read (`complete` false).
inline int NothingCheckedExit(bool complete) { return complete ? 2 : 1; }

// Output is gathered in a text and written in large pieces: FlushIfLarge writes it once it passes
// kOutputPieceSize; FinishOutput writes the rest and gives the exit code (1, with a message naming
// the cause of the first write that failed, when the output failed).
inline constexpr std::size_t kOutputPieceSize = 256 * 1024;
void FlushIfLarge(CliSession& session, std::string& pending);
int FinishOutput(CliSession& session, std::string& pending);
// "tagmora-cli COMMAND: standard output: REASON" on stderr for a failed write with errno `error`
// (nothing for a closed pipe).
void ReportOutputFailure(std::string_view command, int error);

// The text for the tab-separated output, safe to show on a terminal: tab, line feed, carriage
// return and backslash become \t, \n, \r, \\; NUL becomes \0; the other C0 controls, DEL
// and the C1 controls (U+0080 to U+009F, two bytes in UTF-8) become \xHH per byte, so "\x1b[2J"
// arrives as the text \x1b[2J. A byte that is no valid UTF-8 (a file name in another encoding)
// becomes \xHH too, so that a printed path can be turned back into the real one.
std::string EscapeField(std::string_view text);
void AppendEscapedField(std::string& out, std::string_view text);
// Writes EscapeField(text) at `out`, which has room for kMaxEscapedPerByte bytes per byte of the
// text, and returns the end of what it wrote.
inline constexpr std::size_t kMaxEscapedPerByte = 4;  // "\xHH"
char* EscapeFieldTo(char* out, std::string_view text);
// A JSON string literal (with quotes) of the text; control characters (C0, DEL, C1) as \u00XX;
// a byte that is no valid UTF-8 as the text \xHH (the JSON string "\\xff"), as in EscapeField.
std::string JsonString(std::string_view text);

// A JSON object on one line, built key by key: {"path": "/m/a.mp3", "changed": ["title"]}.
class JsonLine {
public:
    JsonLine& Text(std::string_view key, std::string_view value);
    JsonLine& Number(std::string_view key, long long value);
    JsonLine& Bool(std::string_view key, bool value);
    JsonLine& Texts(std::string_view key, const std::vector<std::string>& values);
    // A value written as it is (an array or object already in JSON).
    JsonLine& Raw(std::string_view key, std::string_view json);
    // The object, and the object with a line feed.
    std::string Object() const { return text_ + "}"; }
    std::string Line() const { return Object() + "\n"; }

private:
    void Key(std::string_view key);
    std::string text_ = "{";
};

// The JSON keys of the 21 columns, by ColumnId: "file", "title", ..., "size".
const std::array<const char*, kColumnCount>& FieldKeys();
// The row's values by FieldKeys as a JSON object, raw: the size as a number (null when unknown),
// the title of a file without a tag empty, "has_tag" beside them.
std::string RowFieldsJson(const FileRow& row);

// What a rename command asks for: the preset or a script, and whether to print the plan only.
struct RenameRequest {
    bool Preset = false;
    std::string Script;  // when not Preset
    bool DryRun = false;
};

// What write-tags asks for: the fields as the batch tag dialog would hold them after OK (a field
// not given holds "Оставить как есть"), and the file of title lines of --titles-from.
struct WriteTagsCliRequest {
    WriteTagsAnswer Answer;
    std::string TitlesFrom;  // empty: the memo holds the file names, as the dialog fills it
    bool DryRun = false;     // print the plan, change nothing
    std::string Cover;       // --cover: a picture file, "folder" or "delete"; empty: keep
};

// The answer's Cover of --cover: "folder" and "delete" name the items "Из папки файла" and
// "Удалить"; any other text is a picture file; empty keeps the pictures ("Оставить как есть").
std::string CoverOptionText(const std::string& option);

// The text of --track: "keep", "delete", "selected" and "all" name the Track items ("Оставить как
// есть", "Удалить", "Записать в порядке выбранных файлов", "Записать в порядке всех отображенных
// файлов"); any other text is itself.
std::string TrackOptionText(const std::string& option);

// What export asks for: the workbook file, and the sheet (empty: kDefaultSheetName).
struct ExportCliRequest {
    std::string Book;
    std::string Sheet;
};
// The sheet of an export without --sheet, in a new book as in an existing one.
inline constexpr const char* kDefaultSheetName = "Music";

// The commands. Each returns the exit code: 0 done; 1 a failure met (a folder or file not read,
// a file not renamed, the output not written); 2 nothing to do (nothing checked). With
// session.Json each prints its results as JSON lines.
int RunList(CliSession& session, const std::vector<std::string>& folders);
int RunEval(CliSession& session, const std::string& script, bool all, const std::vector<std::string>& folders);
int RunCheck(CliSession& session, const std::string& script, const std::vector<std::string>& folders);
int RunSettingsInit(CliSession& session);
// settings show: NAME=VALUE per stored value (SettingValueText), in the store's order; only the
// NAMEs given, when any (2 for a name that is not stored).
int RunSettingsShow(CliSession& session, const std::vector<std::string>& names);
// settings set: every NAME=VALUE checked as the settings dialog and the store do, then all stored
// at once (UseShellCall writing or removing the folder entry first, as the dialog's OK does); a bad
// one is named on stderr and nothing is stored (2). 1 when the entry or the settings could not
// be written.
int RunSettingsSet(CliSession& session, const std::vector<std::string>& assignments);
int RunRename(CliSession& session, const RenameRequest& request, const std::vector<std::string>& folders);
// write-tags: the batch tag write driver on the checked rows with the answer given; prints the path
// of every file changed; 1 when any checked file was not written. With DryRun it prints the plan,
// PATH<TAB>FIELD<TAB>OLD<TAB>NEW per field that would change, names on stderr the files the run
// would not write (1 when there is one), and changes nothing.
int RunWriteTags(CliSession& session, const WriteTagsCliRequest& request, const std::vector<std::string>& folders);
// remove-tags: tag version 1 or 2 removed from the checked files (the question answered Yes);
// prints the path of every file whose tag was removed; 1 when a checked file keeps its tag or is
// missing.
int RunRemoveTags(CliSession& session, int version, const std::vector<std::string>& folders);
// export: the checked rows into the workbook with the stored export columns; prints BOOK<TAB>SHEET;
// 1 when nothing is checked or the export failed (its reason on stderr).
int RunExport(CliSession& session, const ExportCliRequest& request, const std::vector<std::string>& folders);

}  // namespace tagmora::cli
