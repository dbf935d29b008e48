// tagmora-cli: the command-line front end over the same core as the program. The arguments are
// read by CLI11: --help for the program and each command (with examples, wrapped to the terminal),
// -V/--version, and a message naming the unknown or missing part for a usage error (exit code 2).
#include <cerrno>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/CliCommon.h"
#include "cli/CliCompletion.h"
#include "cli/CliHelp.h"
#include "cli/CliMarking.h"
#include "writetags/TagWriteBatch.h"

namespace {

constexpr const char* kDescription =
    "Lists and works on the MP3 files of folders, as the Tagmora program does, with the settings stored by "
    "the program (a --set before the command overrides one setting for this run only). Folders are taken as "
    "the program takes its own command line: as full paths; with IncludeSubDirs=1 the first folder is scanned "
    "fresh and the others are added; with IncludeSubDirs=0 only the first is scanned.";

constexpr const char* kFooter =
    "Output is tab-separated, escaped so that no tag reaches the terminal raw: \\t \\n \\r \\\\, NUL as \\0, "
    "other control characters as \\xHH; with --json each result is one JSON object per line. Messages go to "
    "stderr as 'tagmora-cli COMMAND: [PATH: ]reason'. Run 'tagmora-cli COMMAND --help' for the options and "
    "examples of a command, 'man tagmora-cli' for the manual.\n"
    "\n"
    "Examples:\n"
    "  tagmora-cli list ~/Music\n"
    "  tagmora-cli --set IncludeSubDirs=0 eval '%p0%' ~/Music/Album";

constexpr const char* kVersion = "tagmora-cli " TAGMORA_VERSION "\nLicense: see the README";

// NAME=VALUE of a --set, split at the first "=".
std::pair<std::string, std::string> SplitAssignment(const std::string& assignment) {
    const auto eq = assignment.find('=');
    return {assignment.substr(0, eq), assignment.substr(eq + 1)};
}

// A field option of write-tags: its name, the dialog field it fills, its help, ID3v2 only?
struct FieldOption {
    const char* Name;
    std::string tagmora::WriteTagsAnswer::*Field;
    const char* Help;
    bool V2Only;
};

using A = tagmora::WriteTagsAnswer;
const FieldOption kFieldOptions[] = {
    {"--title", &A::Title, "Title", false},
    {"--artist", &A::Artist, "Artist", false},
    {"--album", &A::Album, "Album", false},
    {"--year", &A::Year, "Year", false},
    {"--genre", &A::Genre, "Genre (a name of the genre table; ID3v1 writes 12, Other, for any other)", false},
    {"--comment", &A::Comment, "Comment", false},
    {"--track", &A::Track,
     "Track; also keep, delete, selected (number the checked files in list order) or all (the row's "
     "position in the list)",
     false},
    {"--comment-owner", &A::CommentOwner, "the comment's owner (TAG Owner); ID3v2 only", true},
    {"--composer", &A::Composer, "Composer; ID3v2 only", true},
    {"--orig-artist", &A::OrigArtist, "OrigArtist; ID3v2 only", true},
    {"--copyright", &A::Copyright, "Copyright; ID3v2 only", true},
    {"--tit1", &A::TIT1, "TIT1; ID3v2 only", true},
    {"--tsse", &A::TSSE, "TSSE; ID3v2 only", true},
    {"--mcdi", &A::MCDI, "MCDI; ID3v2 only", true},
    {"--ufid", &A::UFID, "UFID; ID3v2 only", true},
    {"--txxx", &A::TXXX, "TXXX; ID3v2 only", true},
    {"--encoded-by", &A::EncodedBy, "EncodedBy; ID3v2 only", true},
    {"--url", &A::URL, "URL; ID3v2 only", true},
};

// Adds the FOLDER... arguments (one at least) of a command.
void AddFolders(CLI::App& command, std::vector<std::string>& folders) {
    command.add_option("FOLDER", folders, "the folders to scan")->type_name("")->required();
}

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    CLI::App app(kDescription, "tagmora-cli");
    // Before the commands are added: they take the formatter and the help flag from the program.
    app.formatter(std::make_shared<tagmora::cli::HelpFormatter>(tagmora::cli::HelpWidth()));
    app.set_help_flag("-h,--help", "show this help");
    app.footer(kFooter);
    app.set_version_flag("-V,--version", kVersion, "show the version and the licence");
    app.require_subcommand(1);
    app.failure_message([](const CLI::App* failed, const CLI::Error& error) {
        // The help of the command the error is about (the deepest one given).
        std::string command = failed->get_name();
        for (const CLI::App* sub = failed; !sub->get_subcommands().empty();) {
            sub = sub->get_subcommands().front();
            command += " " + sub->get_name();
        }
        return command + ": " + std::string(error.what()) + " (see '" + command + " --help')\n";
    });

    std::vector<std::string> assignments;
    app.add_option("--set", assignments, "override a setting by its stored name, e.g. --set IncludeSubDirs=0")
        ->type_name("NAME=VALUE")
        ->check(
            [](const std::string& value) {
                const auto eq = value.find('=');
                return eq == std::string::npos || eq == 0 ? std::string("needs NAME=VALUE, got '" + value + "'")
                                                          : std::string();
            },
            "");

    std::vector<std::string> folders;
    std::string script;
    bool json = false;
    bool all = false;
    tagmora::cli::RenameRequest rename;

    CLI::App* list = app.add_subcommand("list", "one line per row: check state (1 or 0) and the 21 column texts");
    list->footer("Examples:\n  tagmora-cli list ~/Music\n  tagmora-cli list --json --mark empty ~/Music");
    list->add_flag("--json", json,
                   "one JSON object per row: {\"checked\", \"path\", \"columns\", \"fields\"}, the fields by name "
                   "with raw values (\"size\" a number, \"has_tag\")");
    AddFolders(*list, folders);

    CLI::App* eval = app.add_subcommand("eval", "the script's result for every checked row, one per line");
    eval->footer(
        "Examples:\n  tagmora-cli eval '%p2% - %p1% - %p0n[-4]%' ~/Music\n"
        "  tagmora-cli eval --where Artist '~' beat '%t3% - %t1%' ~/Music");
    eval->add_flag("--all", all, "every row, checked or not");
    eval->add_flag("--json", json, "one JSON object per row: {\"path\", \"result\"}");
    eval->add_option("script", script, "the script, e.g. '%p1% - %t1%'")->type_name("SCRIPT")->required();
    AddFolders(*eval, folders);

    CLI::App* check = app.add_subcommand("check", "the script's preview on the first checked row");
    check->footer("Example:\n  tagmora-cli check '%nn% %t1%' ~/Music/Album");
    check->add_flag("--json", json, "a JSON object: {\"path\", \"result\"}");
    check->add_option("script", script, "the script")->type_name("SCRIPT")->required();
    AddFolders(*check, folders);

    CLI::App* renameCommand = app.add_subcommand(
        "rename", "rename the checked files by the preset pattern or by a script; prints OLD<TAB>NEW per file");
    renameCommand->footer(
        "Examples:\n  tagmora-cli rename --preset --dry-run ~/Music/Album\n"
        "  tagmora-cli rename --script '%t3%/%t2%/%nn% - %t1%' ~/Music");
    CLI::Option_group* how = renameCommand->add_option_group("pattern", "one of");
    how->add_flag("--preset", rename.Preset, "the preset pattern of the settings (number, artist, album, title)");
    how->add_option("--script", rename.Script,
                    "a script; \"/\" or \"\\\" in its result moves the file into subfolders of its folder, "
                    "which are created (needs IncludeSubDirs=1). Write --script=SCRIPT for one that starts "
                    "with \"-\"")
        ->type_name("SCRIPT");
    how->require_option(1);
    renameCommand->add_flag("--dry-run", rename.DryRun,
                            "print the plan and touch nothing; names the run would fail on are failures");
    renameCommand->add_flag("--json", json, "one JSON object per file: {\"from\", \"to\"} or {\"from\", \"error\"}");
    AddFolders(*renameCommand, folders);

    tagmora::cli::WriteTagsCliRequest writeTags;
    CLI::App* writeCommand = app.add_subcommand(
        "write-tags",
        "write the ID3v1 or ID3v2 tags of the checked files, field by field as the batch tag dialog does; "
        "prints the path of each file changed");
    writeCommand->footer(
        "Each field option takes a text or a script evaluated on each row (write --title=TEXT for a text that "
        "starts with \"-\"); an empty text empties the field; a field not given is kept as the list shows it.\n"
        "\n"
        "Examples:\n  tagmora-cli write-tags --v2 --album '%p1%' --track selected ~/Music/Album\n"
        "  tagmora-cli write-tags --v1 --genre Rock --where Artist = 'Some Band' ~/Music");
    CLI::Option_group* version = writeCommand->add_option_group("version", "one of");
    bool writeV1 = false;
    bool writeV2 = false;
    CLI::Option* v1 = version->add_flag("--v1", writeV1, "write ID3v1 tags");
    version->add_flag("--v2", writeV2, "write ID3v2 tags");
    version->require_option(1);
    std::vector<CLI::Option*> fieldOptions;
    for (const FieldOption& field : kFieldOptions) {
        CLI::Option* option =
            writeCommand->add_option(field.Name, writeTags.Answer.*field.Field, field.Help)->type_name("TEXT");
        if (field.V2Only) option->excludes(v1);
        fieldOptions.push_back(option);
    }
    writeCommand
        ->add_option("--titles-from", writeTags.TitlesFrom,
                     "the titles, one line per checked file in list order (as the dialog's title list)")
        ->type_name("FILE")
        ->excludes(fieldOptions.front());
    writeCommand->add_flag("--kill-v1", writeTags.Answer.KillTags, "first remove the ID3v1 tag of every checked file");
    writeCommand->add_flag("--json", json,
                           "one JSON object per file: {\"path\", \"changed\": [fields]} or {\"path\", \"error\"}");
    AddFolders(*writeCommand, folders);

    int removeVersion = 0;
    CLI::App* removeCommand = app.add_subcommand(
        "remove-tags", "remove the ID3v1 or ID3v2 tag of the checked files; prints each file changed");
    CLI::Option_group* removeWhich = removeCommand->add_option_group("version", "one of");
    removeCommand->footer("Example:\n  tagmora-cli remove-tags --v1 --mark full ~/Music");
    removeWhich->add_flag_callback(
        "--v1", [&removeVersion] { removeVersion = 1; }, "remove ID3v1 tags");
    removeWhich->add_flag_callback(
        "--v2", [&removeVersion] { removeVersion = 2; }, "remove ID3v2 tags");
    removeWhich->require_option(1);
    removeCommand->add_flag("--json", json,
                            "one JSON object per file: {\"path\", \"changed\": [fields]} or {\"path\", \"error\"}");
    AddFolders(*removeCommand, folders);

    tagmora::cli::ExportCliRequest exportRequest;
    CLI::App* exportCommand = app.add_subcommand(
        "export",
        "export the checked rows into a workbook (.xlsx) with the stored export columns; prints BOOK<TAB>SHEET");
    exportCommand->footer(
        "The rows go to the sheet \"Music\" unless --sheet names one. A BOOK that does not exist is made; in "
        "an existing BOOK they follow the rows of earlier exports, and a sheet of that exact name is added "
        "when there is none (its other sheets stay as they are). A read-only BOOK is not replaced. The "
        "columns are the export columns of the settings (ExcColumnsCount, ExcColHead_N, ExcColScript_N, ...).\n"
        "\n"
        "Examples:\n  tagmora-cli export --book music.xlsx ~/Music\n"
        "  tagmora-cli export --book music.xlsx --sheet 1999 --where Year = 1999 ~/Music");
    exportCommand->add_option("--book", exportRequest.Book, "the workbook file")->type_name("FILE")->required();
    exportCommand->add_option("--sheet", exportRequest.Sheet, "the sheet")->type_name("NAME");
    exportCommand->add_flag("--json", json, "a JSON object: {\"book\", \"sheet\", \"rows\"}");
    AddFolders(*exportCommand, folders);

    // Marking: --mark and --where on every command that shows or acts on checked rows.
    tagmora::cli::MarkingOptions marking;
    for (CLI::App* command : {list, eval, check, renameCommand, writeCommand, removeCommand, exportCommand})
        tagmora::cli::AddMarkingOptions(*command, marking);

    CLI::App* settings = app.add_subcommand("settings", "the stored settings");
    settings->footer("Example:\n  tagmora-cli --set IncludeSubDirs=0 settings init");
    settings->require_subcommand(1);
    CLI::App* init = settings->add_subcommand(
        "init", "store the first-run defaults (with the --set overrides) and a window position, once");
    init->footer("Example:\n  tagmora-cli --set IncludeSubDirs=0 --set ReplaceSymbol=_ settings init");
    std::vector<std::string> settingNames;
    CLI::App* show = settings->add_subcommand(
        "show", "NAME=VALUE per stored setting in the store's order (the first-run defaults when none are stored)");
    show->add_flag("--json", json, "one JSON object per setting: {\"NAME\": VALUE}, numbers as numbers");
    show->add_option("NAME", settingNames, "only these settings")->type_name("");
    std::vector<std::string> settingValues;
    CLI::App* set = settings->add_subcommand(
        "set", "check the values as the settings dialog does and store them all, or none when one is bad");
    set->add_option("NAME=VALUE", settingValues, "e.g. IncludeSubDirs=0 ShowItem=hex:01,01,...")
        ->type_name("")
        ->required();

    // Not shown in the help: the build writes the shell completions from the commands defined above.
    if (argc == 3 && std::string_view(argv[1]) == tagmora::cli::kCompletionOption)
        return tagmora::cli::WriteCompletion(app, argv[2], std::cout) ? 0 : 2;

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
            errno = 0;
            app.exit(error);  // --help, --version
            std::cout.flush();
            if (std::cout.good()) return 0;
            tagmora::cli::ReportOutputFailure({}, errno);
            return 1;
        }
        if (app.get_subcommands().empty() && !app.remaining().empty()) {
            std::cerr << "tagmora-cli: unknown command '" << app.remaining().front()
                      << "' (see 'tagmora-cli --help')\n";
            return 2;
        }
        app.exit(error, std::cout, std::cerr);
        return 2;
    }

    std::vector<std::pair<std::string, std::string>> sets;
    for (const auto& assignment : assignments) sets.push_back(SplitAssignment(assignment));
    // The command as its messages name it: "rename", "settings set".
    std::string command;
    for (const CLI::App* sub = &app; !sub->get_subcommands().empty();) {
        sub = sub->get_subcommands().front();
        command += (command.empty() ? "" : " ") + sub->get_name();
    }
    tagmora::cli::CliSession session(std::cout, std::cerr, command);
    session.Marking = marking;
    session.Json = json;
    if (!tagmora::cli::LoadSessionSettings(session, sets)) return 2;

    if (list->parsed()) return tagmora::cli::RunList(session, folders);
    if (eval->parsed()) return tagmora::cli::RunEval(session, script, all, folders);
    if (check->parsed()) return tagmora::cli::RunCheck(session, script, folders);
    if (renameCommand->parsed()) return tagmora::cli::RunRename(session, rename, folders);
    if (writeCommand->parsed()) {
        writeTags.Answer.Mode = writeV1 ? 1 : 2;
        for (std::size_t i = 0; i < fieldOptions.size(); ++i) {
            if (fieldOptions[i]->count() == 0) writeTags.Answer.*kFieldOptions[i].Field = tagmora::kKeepAsIs;
        }
        return tagmora::cli::RunWriteTags(session, writeTags, folders);
    }
    if (removeCommand->parsed()) return tagmora::cli::RunRemoveTags(session, removeVersion, folders);
    if (exportCommand->parsed()) return tagmora::cli::RunExport(session, exportRequest, folders);
    if (init->parsed()) return tagmora::cli::RunSettingsInit(session);
    if (show->parsed()) return tagmora::cli::RunSettingsShow(session, settingNames);
    if (set->parsed()) return tagmora::cli::RunSettingsSet(session, settingValues);
    return 2;
}
