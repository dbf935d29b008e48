// The keywords of the batch tag dialog's fields: items of its lists that say what to do rather
// than what to write. The dialog offers them and the batch write recognises them (compared
// exactly).
#pragma once

#include <array>
#include <string_view>

namespace tagmora {

inline constexpr std::string_view kKeepAsIs = "Оставить как есть";
inline constexpr std::string_view kTakeFromList = "Взять из списка";  // Title only
inline constexpr std::string_view kDeleteTrack = "Удалить";           // Track only
inline constexpr std::string_view kNumberChecked = "Записать в порядке выбранных файлов";
inline constexpr std::string_view kNumberAll = "Записать в порядке всех отображенных файлов";

inline constexpr std::string_view kCoverFromFile = "Из файла...";  // Cover only
inline constexpr std::string_view kCoverFromFolder = "Из папки файла";
inline constexpr std::string_view kDeleteCover = "Удалить";

// The Cover list's items, in the dialog's order; any other text of the field is a picture file.
inline constexpr std::array<std::string_view, 4> kCoverItems = {kKeepAsIs, kCoverFromFile, kCoverFromFolder,
                                                                kDeleteCover};

// The Track list's items, in the dialog's order.
inline constexpr std::array<std::string_view, 4> kTrackItems = {kKeepAsIs, kDeleteTrack, kNumberChecked, kNumberAll};

}  // namespace tagmora
