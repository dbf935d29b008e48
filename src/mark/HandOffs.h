// The hand-offs: the checked files to the player's play queue, the titles of the checked files to
// the clipboard, the About box and the help file. The desktop is reached through ShellPort:
//
//     EnqueueCommandLine("", {"/m/a.mp3", "/m/b.mp3"})  // {"audacious", "-e", "/m/a.mp3", "/m/b.mp3"}
//     CheckedTitlesText(list)                         // "A\r\n\r\nC\r\n" for the titles A, "", C
//     AboutText("2.1.0.15")  // "...TAG'и.\n\nДоскел.\nTagmora version 2.1.0.15"
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tagmora {

class FileList;
class Host;
class ShellPort;

// The player's enqueue command when the setting EnqueueCommand is empty.
inline constexpr const char* kDefaultEnqueueCommand = "audacious -e";
// The help file in the installation folder, and the anchor of its section on the keys.
inline constexpr const char* kHelpFileName = "Tagmora.html";
inline constexpr const char* kHelpKeysAnchor = "keys";

inline constexpr const char* kAboutDescription =
    "Программа для пакетного переименовывания mp3-файлов / пакетной записи в TAG'и.";
inline constexpr const char* kAboutAuthor = "Доскел.";
inline constexpr const char* kPlayerNotStarted = "Не удалось запустить проигрыватель:\n";
inline constexpr const char* kHelpNotOpened = "Не удалось открыть файл помощи:\n";

// The words of an enqueue command: split at blanks and tabs, a part in double quotes kept as one
// word without its quotes ("\"/opt/my player/run\" --enqueue"). Empty or blank: kDefaultEnqueueCommand.
std::vector<std::string> EnqueueCommandWords(std::string_view setting);

// The program and arguments that queue `files` in the player: the command's words, then the
// files, one argument each, in their order.
std::vector<std::string> EnqueueCommandLine(std::string_view setting, const std::vector<std::string>& files);

// EnqInWinampMnu: "Нет выбранных файлов." when no row is checked; otherwise " Подождите...", the
// full paths (RowPath) of the checked rows in list order handed to the player in one detached start
// of the command of the setting EnqueueCommand, and " Готово." briefly. A player that cannot be
// started is reported in a box (error icon) naming the command tried; the status then shows the
// row total.
void EnqInWinampMnuClick(FileList& list, ShellPort& shell);

// The clipboard text: the Title column of every checked row in list order, each followed by CR LF
// (the last one too; an empty title gives an empty line).
std::string CheckedTitlesText(const FileList& list);

// CopyToClipbrdMnu: " Подождите..."; "Нет выбранных файлов." (the status stays) when no row is
// checked; otherwise CheckedTitlesText on the clipboard and " Готово." briefly.
void CopyToClipbrdMnuClick(FileList& list, ShellPort& shell);

// The version line: "Tagmora version " and `version`, or "Tagmora" alone for an empty version.
std::string VersionLine(std::string_view version);
// The About box's text: the description, an empty line, "Доскел.", then the version line, with
// single line feeds.
std::string AboutText(std::string_view version);
// AboutMnu: the About box (information icon, caption "Tagmora") for `version`, the version the
// build compiles in.
void AboutMnuClick(Host& host, std::string_view version);

// The help file's path: Tagmora.html in the installation folder `installPath` ("" : the current
// folder, the name alone).
std::string HelpFilePath(std::string_view installPath);

// OpenHelpFile: Tagmora.html of the installation folder opened with the desktop's default viewer,
// at `anchor` (empty: the top; kHelpKeysAnchor: the keys). A help file that cannot be opened is
// reported in a box (error icon, caption "Tagmora") naming the file tried. `host` is the asking
// window's host: it owns the box.
void OpenHelpFile(Host& host, ShellPort& shell, std::string_view installPath, std::string_view anchor = {});

}  // namespace tagmora
