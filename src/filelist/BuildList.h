// Row filling: reading each row's tags into its column texts, with status and progress.
#pragma once

#include <string>
#include <string_view>

#include "filelist/FileList.h"

namespace tagmora {

// (Re)reads the rows of a range: every row, the checked rows, or the rows of the latest
// appended scan; then pads track numbers, fits columns, starts the title and shows the total.
void BuildList(FileList& list, bool onlyChecked, bool appendedOnly);

// Reads one row according to TAGReadSequence.
void ReadRowTags(FileList& list, int row);

// "1234567" -> "1 234 567"; "123456" -> " 123 456".
std::string GroupThousands(std::string_view digits);

// When the longest and shortest Track texts differ by one character, pads the shortest with "0".
void PadTrackNumbers(FileList& list);

// The status texts of the pass.
inline constexpr const char* kStatusBuilding = " Создание списка...";
inline constexpr const char* kStatusUpdating = " Обновление списка...";
inline constexpr const char* kStatusFitting = " Подгонка столбцов...";
inline constexpr const char* kNoTagTitle = "Пусто";

}  // namespace tagmora
