// The messages of tagmora-cli. Every one is a line on stderr, in English like the help:
//
//     tagmora-cli COMMAND: [PATH: ]reason
//
//     tagmora-cli write-tags: /music/a.mp3: not written: opening the file: Permission denied
//     tagmora-cli rename: no file is checked
//
// with the system's reason in words and the option that helps named as an option. The wordings of
// the command line are here, those of the boxes the core shows (by their notice) among them.
#pragma once

#include <string>
#include <string_view>

#include "common/Ports.h"

namespace tagmora::cli {

// "tagmora-cli COMMAND: reason" and a line feed ("tagmora-cli: reason" without a command); the
// path and the reason escaped as the output is, on one line.
std::string MessageLine(std::string_view command, std::string_view reason);
// "tagmora-cli COMMAND: PATH: reason" and a line feed.
std::string MessageLine(std::string_view command, std::string_view path, std::string_view reason);

// The wordings the commands share.
namespace say {
inline constexpr const char* kNoFileChecked = "no file is checked";
inline constexpr const char* kScriptGivesError = "the script gives Error";
inline constexpr const char* kOnlyWithSubDirs =
    "a script rename needs the subfolders on: --set IncludeSubDirs=1 (or settings set IncludeSubDirs=1)";
inline constexpr const char* kNothingToWrite =
    "nothing to write: give a field option, --cover, --titles-from or --kill-v1";
inline constexpr const char* kBookToStandardOutput = "--book -: a workbook cannot be written to standard output";
inline constexpr const char* kReinstall = "the installation's data cannot be read; install the program again";
inline constexpr const char* kCannotWriteSettings = "cannot write the settings";
inline constexpr const char* kNotStoredSetting = "not a stored setting";
inline constexpr const char* kStandardOutput = "standard output";
inline constexpr const char* kStandardInput = "standard input";
inline constexpr const char* kWriteFailed = "write failed";
inline constexpr const char* kCannotReadSettings = "cannot read the settings: ";  // and the problem
inline constexpr const char* kCannotReadFolder = "cannot read the folder: ";      // and the reason
inline constexpr const char* kSkippedWithoutSubDirs =
    "skipped: without subfolders only the first folder is scanned (--set IncludeSubDirs=1 scans them all)";
inline constexpr const char* kMalformedField =
    "the text is a malformed script and gives Error (a lone delimiter cannot be escaped; --set ScriptSeparator= "
    "makes every text plain); nothing was written";
inline constexpr const char* kNotChanged = "not changed: ";  // and the reason
inline constexpr const char* kTagStays = "the tag stays: ";  // and the reason
inline constexpr const char* kNotRenamed = "not renamed";
inline constexpr const char* kWouldNotBeRenamed = "would not be renamed";
inline constexpr const char* kWouldNotBeWritten = "would not be written";
inline constexpr const char* kExpectedAssignment = "expected NAME=VALUE";
inline constexpr const char* kBackupFound =
    "a backup copy left by an interrupted tag write: compare it with the file beside it and delete the one "
    "not needed";
}  // namespace say

// A folder operand scanned already: "skipped: the same folder as EARLIER", or with `inside`
// "skipped: inside EARLIER, which is scanned with its subfolders".
std::string SkippedFolder(bool inside, std::string_view earlier);
// "the title list has 2 lines for 3 checked files; the files without a line keep their titles".
std::string TitleListMismatch(std::size_t lines, std::size_t checked);

// The one line that sums up a batch in which files failed, after their own lines: "2 of 5 files
// not renamed". `what` says what did not happen to them.
std::string BatchSummary(int failed, int total, std::string_view what);
// The summary of a tag batch, with what helps: "2 of 5 files failed; make sure no other
// program uses them, or give --set TryChangeAttrs=1 to write read-only files" (the option only
// when TryChangeAttrs is off).
std::string TagBatchSummary(int failed, int total, bool tryChangeAttrs);

// The line of a box the core shows, worded from its notice; empty when the command says it from
// its own outcome (a tag write's failure, a batch summary).
std::string NoticeLine(std::string_view command, const Notice& notice);

}  // namespace tagmora::cli
