// The hand-offs: the checked files to the player's play queue, the titles of the checked files to
// the clipboard, the About box and the help file. The desktop is reached through ShellPort:
//
//     EnqueueCommandLine("", {"/m/a.mp3", "/m/b.mp3"})  // {"audacious", "-e", "/m/a.mp3", "/m/b.mp3"}
//     CheckedTitlesText(list)                         // "A\r\n\r\nC\r\n" for the titles A, "", C
//     AboutText("2.1.0.15")  // "...TAG'и.\n\nДоскел.\nTagmora version 2.1.0.15"
#pragma once

#include <cstddef>
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

// What the arguments of a program started now may take: the system's limit (sysconf(_SC_ARG_MAX))
// less this process's environment, which the program inherits, and 2048 bytes of room. Each
// argument counts its bytes, its terminating zero and its pointer.
std::size_t EnqueueArgumentLimit();

// The enqueue command lines that hand `files` to the player in their order, as few as fit in
// `argumentLimit` each (the command's words repeated in each): with the limit of two files,
// {"/a", "/b", "/c"} gives {"audacious", "-e", "/a", "/b"} and {"audacious", "-e", "/c"}. A file
// too long for any line goes alone. No files: no line.
std::vector<std::vector<std::string>> EnqueueCommandBatches(std::string_view setting,
                                                            const std::vector<std::string>& files,
                                                            std::size_t argumentLimit);

// EnqInWinampMnu: "Нет выбранных файлов." when no row is checked; otherwise " Подождите...", the
// full paths (RowPath) of the checked rows in list order handed to the player in detached starts
// of the command of the setting EnqueueCommand, as many as the argument limit asks
// (EnqueueCommandBatches), and " Готово." briefly. A start that fails is reported in a box (error
// icon) naming the command tried, the files after it are not handed over, and the status then
// shows the row total.
void EnqInWinampMnuClick(FileList& list, ShellPort& shell, std::size_t argumentLimit = EnqueueArgumentLimit());

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
// at `anchor` (empty: the top; kHelpKeysAnchor: the keys). A help file that cannot be opened, at
// once or when the desktop's opener fails later, is reported in a box (error icon, caption
// "Tagmora") naming the file tried. `host` is the asking window's host: it owns the box, and
// lives as long as `shell`.
void OpenHelpFile(Host& host, ShellPort& shell, std::string_view installPath, std::string_view anchor = {});

}  // namespace tagmora
