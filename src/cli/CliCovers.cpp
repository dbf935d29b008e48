// tagmora-cli covers: the front cover of each checked file (its MIME type, pixel size and size in
// bytes), or, with --out, each front cover saved as a picture file of its own.
#include <cstring>
#include <ostream>

#include <CLI/CLI.hpp>

#include "cli/CliCommon.h"
#include "cli/CliCommands.h"
#include "common/Text.h"
#include "platform/FileIo.h"
#include "tags/Pictures.h"

namespace tagmora::cli {

namespace {

// The name a saved cover takes from its song: the file name without ".mp3" (any letter case).
std::string CoverStem(const std::string& path) {
    std::string name = path.substr(path.rfind('/') + 1);
    if (name.size() > 4 && text::EqualsAsciiIgnoreCase(std::string_view(name).substr(name.size() - 4), ".mp3"))
        name.resize(name.size() - 4);
    return name;
}

}  // namespace

int RunCovers(CliSession& session, std::string outFolder, const std::vector<std::string>& folders) {
    if (!outFolder.empty()) {
        if (outFolder.back() != '/') outFolder += '/';
        if (const int error = fileio::MakeFolders(outFolder); error != 0) {
            session.Say(outFolder, std::strerror(error));
            return 1;
        }
        fileio::SweepLeftovers(outFolder, fileio::kLeftoverAgeSeconds);  // of a save that was killed
    }
    bool complete = ScanAndRead(session, folders);
    if (NothingChecked(session)) return NothingCheckedExit(complete);
    std::string out;
    for (const FileRow& row : session.List.Rows()) {
        if (!row.Checked) continue;
        const TagPictures pictures = ReadTagPictures(row.Path());
        if (pictures.Result == TagRead::Failed) {
            session.Say(row.Path(), std::strerror(pictures.Error));
            complete = false;
            continue;
        }
        JsonLine json;
        json.Text("path", row.Path());
        std::string facts;  // the tab-separated fields after the path
        if (!pictures.FrontCover) {
            json.Raw("cover", "null");
            facts = "-";
        } else if (const Picture& cover = *pictures.FrontCover; !outFolder.empty()) {
            std::string saved;
            const int error = SavePictureNoReplace(outFolder, CoverStem(row.Path()), PictureExtensionOf(cover.Mime),
                                                   cover.Bytes, saved);
            if (error != 0) {
                session.Say(row.Path(), std::string("cover not saved: ") + std::strerror(error));
                complete = false;
                continue;
            }
            json.Text("saved", saved);
            AppendEscapedField(facts, saved);
        } else {
            const std::optional<PixelSize> size = PicturePixelSize(cover.Bytes);
            json.Text("mime", cover.Mime);
            if (size) json.Number("width", size->Width).Number("height", size->Height);
            json.Number("bytes", static_cast<long long>(cover.Bytes.size()));
            AppendEscapedField(facts, cover.Mime);
            facts += '\t' + (size ? std::to_string(size->Width) + 'x' + std::to_string(size->Height) : "?") + '\t' +
                     std::to_string(cover.Bytes.size());
        }
        if (session.Json) {
            out += json.Line();
        } else {
            AppendEscapedField(out, row.Path());
            out += '\t' + facts + '\n';
        }
        FlushIfLarge(session, out);
    }
    const int written = FinishOutput(session, out);
    return complete ? written : 1;
}

AddedCommand AddCoversCommand(CLI::App& app, SharedOptions& shared) {
    auto outFolder = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand(
        "covers",
        "the front cover of each checked file: PATH<TAB>MIME<TAB>WIDTHxHEIGHT<TAB>BYTES, or PATH<TAB>- "
        "when it has none");
    command->footer(
        "The pixel size comes from the picture's header (? when it cannot be read there).\n\nExamples:\n"
        "  tagmora-cli covers ~/Music/Album\n  tagmora-cli covers --out ~/Covers ~/Music");
    command
        ->add_option("--out", *outFolder,
                     "save each front cover as DIR/<file name without .mp3>.jpg (or .png), never over an existing "
                     "file (\" (2)\" and on are added), and print PATH<TAB>SAVED")
        ->type_name("DIR");
    command->add_flag("--json", shared.Json,
                      "one JSON object per file: {\"path\", \"mime\", \"width\", \"height\", \"bytes\"}, "
                      "{\"path\", \"saved\"} or {\"path\", \"cover\": null}");
    AddFolders(*command, shared.Folders);
    AddMarkingOptions(*command, shared.Marking);
    return {command,
            [outFolder, &shared](CliSession& session) { return RunCovers(session, *outFolder, shared.Folders); }};
}

}  // namespace tagmora::cli
