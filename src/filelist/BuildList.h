// Row filling: reading each row's tags into its column texts, with status and progress.
#pragma once

#include <string>
#include <string_view>

#include "filelist/FileList.h"
#include "filelist/ReadAhead.h"

namespace tagmora {

// How a pass reads its files: up to `Threads` reads in flight ahead of the row being filled (0:
// each file read in turn when its row is filled; -1: ReadAheadThreads decides), at most `Window`
// rows ahead. `Adaptive`: the threads read ahead only while the files' data is not in memory
// (a warm folder is read in turn, without them); off, they read ahead from the first row.
struct ReadAheadOptions {
    int Threads = -1;
    int Window = kReadAheadWindow;
    bool Adaptive = true;
};

// (Re)reads the rows of a range: every row, the checked rows, or the rows of the latest
// appended scan; then pads track numbers, fits columns, starts the title and shows the total.
// With read-ahead the files' bytes are fetched by I/O threads, but the rows are filled, and the
// progress, the error boxes and the processing of events happen, in row order on the calling
// thread, with the same results as reading each file in turn. A cancel ends the pass after the
// current row; no thread and no open file outlive the call.
void BuildList(FileList& list, bool onlyChecked, bool appendedOnly, const ReadAheadOptions& options = {});

// Reads one row according to TAGReadSequence: its file's bytes fetched (FetchFile), then parsed
// and the row filled from them as FillRowFromFetched does.
void ReadRowTags(FileList& list, int row);

// Fills one row from its fetched bytes, the same way whoever fetched them (the open-error box
// included); bytes parsed for another code page are parsed again. A fetch for another read
// sequence, or one lacking a part the readers need, is replaced by a fresh fetch on the calling
// thread (ReadRowTags). The fetch is used up in place: its head buffer is handed back for reuse.
void FillRowFromFetched(FileList& list, int row, FetchedFile&& fetched);

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
