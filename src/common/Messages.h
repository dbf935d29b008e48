// The texts that several commands share: the product name, the status texts, the message boxes
// "Нет выбранных файлов." and "Код ошибки - ...". Status texts begin with a blank, as the status
// bar shows them.
#pragma once

#include <string>
#include <string_view>

#include "common/Ports.h"

namespace tagmora {

// The caption of every message box and the window's first caption.
inline constexpr const char* kProductName = "Tagmora";

// Status texts.
inline constexpr const char* kStatusWait = " Подождите...";
inline constexpr const char* kStatusDone = " Готово.";
inline constexpr const char* kStatusTotal = " Всего файлов - ";
inline constexpr const char* kStatusNoFolder = " Директория не выбрана.";
inline constexpr const char* kStatusReadingFolders = " Чтение папок...";

// The box of a command that needs checked rows and finds none.
inline constexpr const char* kNoCheckedFiles = "Нет выбранных файлов.";
inline constexpr MessageIcon kNoCheckedFilesIcon = MessageIcon::Information;

// "Нет выбранных файлов." with the information icon, caption "Tagmora", button Ok.
void ShowNoCheckedFiles(Host& host);

// The file-error box: caption "Tagmora - ошибка при выполнении операции", error icon, button Ok.
inline constexpr const char* kFileErrorCaptionSuffix = " - ошибка при выполнении операции";
// What the program was doing when the error happened; the text goes between the code and the path.
inline constexpr const char* kWhileOpeningFile = " при открытии файла ";
inline constexpr const char* kWhileUsingTemporaryFile = " работе с временным файлом";

// The text of the file-error box: "Код ошибки - ", the errno value in decimal, `doing`, a line
// break and the path: "Код ошибки - 13 при открытии файла \n/music/a.mp3".
std::string FileErrorText(int error, std::string_view path, std::string_view doing = kWhileOpeningFile);

// Shows the file-error box with FileErrorText(error, path, doing); `kind` says what failed.
void ShowFileError(Host& host, int error, std::string_view path, std::string_view doing = kWhileOpeningFile,
                   NoticeKind kind = NoticeKind::FileNotRead);

}  // namespace tagmora
