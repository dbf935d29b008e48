// The messages of tagmora-cli: their form and the wordings of the core's boxes.
#include "cli/CliMessages.h"

#include <algorithm>
#include <cstring>

#include "cli/CliCommon.h"

namespace tagmora::cli {

namespace {

// The escaped text on one line: line breaks of a box become blanks.
std::string OneLine(std::string_view text) {
    std::string line(text);
    std::replace(line.begin(), line.end(), '\n', ' ');
    std::replace(line.begin(), line.end(), '\r', ' ');
    return EscapeField(line);
}

std::string Lead(std::string_view command) {
    return command.empty() ? std::string("tagmora-cli: ") : "tagmora-cli " + std::string(command) + ": ";
}

}  // namespace

std::string MessageLine(std::string_view command, std::string_view reason) {
    return Lead(command) + OneLine(reason) + '\n';
}

std::string MessageLine(std::string_view command, std::string_view path, std::string_view reason) {
    return Lead(command) + EscapeField(path) + ": " + OneLine(reason) + '\n';
}

std::string SkippedFolder(bool inside, std::string_view earlier) {
    return (inside ? "skipped: inside " : "skipped: the same folder as ") + std::string(earlier) +
           (inside ? ", which is scanned with its subfolders" : "");
}

std::string TitleListMismatch(std::size_t lines, std::size_t checked) {
    return "the title list has " + std::to_string(lines) + " lines for " + std::to_string(checked) + " checked files" +
           (lines < checked ? "; the files without a line keep their titles" : "");
}

std::string BatchSummary(int failed, int total, std::string_view what) {
    return std::to_string(failed) + " of " + std::to_string(total) + (total == 1 ? " file " : " files ") +
           std::string(what);
}

std::string TagBatchSummary(int failed, int total, bool tryChangeAttrs) {
    std::string line = BatchSummary(failed, total, "failed") + "; make sure no other program uses them";
    if (!tryChangeAttrs) line += ", or give --set TryChangeAttrs=1 to write read-only files";
    return line;
}

std::string NoticeLine(std::string_view command, const Notice& notice) {
    switch (notice.Kind) {
        case NoticeKind::NoCheckedFiles: return MessageLine(command, say::kNoFileChecked);
        case NoticeKind::FileNotRead: return MessageLine(command, notice.Path, std::strerror(notice.Error));
        case NoticeKind::BackupsFound: {
            std::string lines;
            for (const std::string& path : notice.Paths) lines += MessageLine(command, path, say::kBackupFound);
            return lines;
        }
        case NoticeKind::ExportFailed: return MessageLine(command, notice.Path, "not exported: " + notice.Reason);
        case NoticeKind::CommandFailed: return MessageLine(command, notice.Reason);
        case NoticeKind::CoverRefused: return MessageLine(command, notice.Path, "cannot be a cover: " + notice.Reason);
        // Each command says these from the outcomes of its files, with its own summary line.
        case NoticeKind::TagFileFailed:
        case NoticeKind::NewFileNotInPlace:
        case NoticeKind::FilesUnchanged:
        case NoticeKind::FilesNotRenamed: break;
    }
    return {};
}

}  // namespace tagmora::cli
