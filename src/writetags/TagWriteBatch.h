// The batch tag write driver behind WriteTag1Mnu (F5) and WriteTAG2Mnu (F6): the dialog says per
// field what to write (keep the listed text, a fixed text or a script, track numbering, titles from
// the edited list); one tag record is built per checked row, in list order, and written; files
// left unchanged are summed up in one box; the checked rows are read again.
//
// For a checked row showing "01 - Song" in Title, the answer Title "%p0n[6-]n[-4]%" on the file
// /Music/01 - Song.mp3 writes the title "Song"; Title "Оставить как есть" writes "01 - Song" back
// (in ID3v2 as the old frame, untouched).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/FileHelpers.h"
#include "filelist/FileList.h"
#include "tags/Id3v1.h"
#include "tags/Id3v2Write.h"
#include "tags/Pictures.h"
#include "writetags/TagEngine.h"
#include "writetags/WriteTagsDialog.h"
#include "writetags/WriteTagsKeywords.h"

namespace tagmora {

class FileList;

inline constexpr const char* kStatusWritingV1 = " Запись TAGs ID3v1...";
inline constexpr const char* kStatusWritingV2 = " Запись TAGs ID3v2...";
// The summary box when any file stayed unchanged (caption "Tagmora", information icon).
inline constexpr const char* kFilesUnchanged =
    "Один или несколько файлов остались без изменения.Убедитесь, что ни один из файлов в данной папке не "
    "занят другим приложением и в окне настроек на вкладке \"Прочее\" установлен флажок \"При необходимости "
    "снимать атрибут \"Только чтение\" с файлов.";

// The box of a picture file refused as the cover (caption "Tagmora", error icon), and the
// summary's list of files whose folder has no cover picture.
inline constexpr const char* kCoverNotPicture = "Файл не является картинкой JPEG или PNG:";
inline constexpr const char* kCoverTooLarge = "Картинка больше 16 МБ:";
inline constexpr const char* kCoverNotRead = "Не удалось прочитать картинку";
inline constexpr const char* kNoFolderCover =
    "В папке этих файлов нет картинки обложки (cover, folder, front или albumart .jpg, .jpeg, .png):";

// The ID3v1 track of a script whose result is not a whole number.
inline constexpr int kId3v1TrackOfNoNumber = 33;

// The value a row's column holds for a tag write: its text as the list shows it, except the title
// of a file without a tag, whose "Пусто" is no title and gives the empty text.
std::string ListedValue(const FileRow& row, int column);

// The common rule of a field: "Оставить как есть" gives ListedValue of the row's `column`; any
// other text is EvaluateScript(text, row) (a text without placeholders is itself).
std::string FieldValue(std::string_view text, FileList& list, int row, int column);

// A whole number as an ID3v1 track: decimal, or hexadecimal after "$" or "0x"; false when the text
// is not a whole number. A number outside 0..255 gives 0 (no track): "7" 7, "$1F" 31, "300" 0.
bool Id3v1TrackOfNumber(std::string_view text, int& track);
// The track of a listed Track text: its leading decimal number ("3/12" 3, "07" 7), 0 when it has
// none or the number is above 255.
int Id3v1TrackOfListed(std::string_view text);

// Where the loop stands at one checked row: k (1-based among the checked rows) and, for ID3v1's
// "Записать в порядке выбранных файлов", the number of files numbered so far.
struct TagWriteStep {
    int Row = 0;
    int K = 0;
    int Numbered = 0;
};

// The ID3v1 record of one checked row (texts cut as above; Genre by GenreIndexOf).
// With `failed`, it receives the column of the first field whose text (a script or a fixed text)
// gives "Error" on the row, which is then not to be written (-1 when none does).
Id3v1Tag BuildId3v1Record(const WriteTagsAnswer& answer, FileList& list, const TagWriteStep& step,
                          int* failed = nullptr);

// The ID3v2 record of one checked row (values not cut). When the row was filled from the file's
// ID3v2 tag (ID3v column "2"), a field whose value equals the text its column shows is kept (the old
// frame stays as it is; Comment when both the comment and its owner are unchanged); otherwise every
// field is its new value, and an empty value removes the frame.
Id3v2WriteRecord BuildId3v2Record(const WriteTagsAnswer& answer, FileList& list, const TagWriteStep& step,
                                  int* failed = nullptr);

// The column of the first field of the answer (of the answer's mode, in the dialog's order) whose
// text is a malformed script (CheckScript on `sampleRow` gives "Error", so it gives "Error" on every
// row); -1 when there is none. Keywords are no scripts. Nothing is written while one is.
int MalformedFieldColumn(const WriteTagsAnswer& answer, const FileList& list, int sampleRow);

// The box of a malformed field (caption "Tagmora", error icon): "Поле Comment: ошибка в скрипте
// (Error). ..." naming the field by its column caption.
std::string MalformedFieldText(int column);

// The request the dialog gets: the mode, N, one memo line per checked row (its file name without
// the last four characters, as "%p0n[-4]%" gives it), CurrentFolder and the sample row.
WriteTagsRequest MakeWriteTagsRequest(const FileList& list, int mode);

// What became of one checked row's file.
struct TagFileOutcome {
    std::string Path;
    FileReadiness Prepare = FileReadiness::Writable;  // PrepareFileForWrite
    int PrepareError = 0;                             // its errno
    TagOutcome Write;                                 // the writer's outcome when Prepare is 0
    int ScriptFailedColumn = -1;                      // the column of a field whose text gave "Error": nothing written
    std::string CoverFailure;                         // why the file's cover cannot be set: nothing written
    // The ID3v1 removal that KillTags asks for before the writes.
    std::optional<TagOutcome> Id3v1Removal;
    bool Reached = false;  // false for the rows after Abort (or a cancel): nothing written
    bool Written() const { return Reached && Prepare == FileReadiness::Writable && Write.Done(); }
    bool Id3v1Removed() const { return Id3v1Removal && Id3v1Removal->Done(); }
    // A requested ID3v1 removal that left the tag there (NoTag is none).
    bool Id3v1RemovalFailed() const;
    // Why the file was not written, or why its ID3v1 tag stayed, for a message; "" when neither.
    std::string FailureText() const;
};

struct TagWriteBatchResult {
    bool Confirmed = false;             // the dialog closed with OK
    bool KillTags = false;              // ID3v1 tags were removed first
    bool Failed = false;                // the summary box was shown
    std::vector<TagFileOutcome> Files;  // every checked row, in list order
};

// A field that a planned write changes on one file: its column, the text the list shows and the
// text written (ID3v1: cut to its width, the track as its number, the genre by its name).
struct FieldChange {
    int Column = 0;
    std::string Old;
    std::string New;
};

// The plan of one checked row's file: what stops its write, or its record and the fields it
// changes.
struct TagFilePlan {
    int Row = 0;
    std::string Path;
    FileReadiness Readiness = FileReadiness::Writable;  // CheckFileForWrite by TryChangeAttrs
    int ReadinessError = 0;
    int ScriptFailedColumn = -1;  // the column of a field whose text gives "Error": not written
    Id3v1Tag Id3v1;               // the record of mode 1
    Id3v2WriteRecord Id3v2;       // the record of mode 2
    std::vector<FieldChange> Changes;
    // "Из папки файла": the picture of the file's folder, read when the file is written; or why
    // there is none that can be set (the file is then not written).
    std::string CoverPath;
    std::string CoverFailure;

    bool Writes() const {
        return Readiness == FileReadiness::Writable && ScriptFailedColumn < 0 && CoverFailure.empty();
    }
};

struct TagWritePlan {
    WriteTagsAnswer Answer;
    std::vector<TagFilePlan> Files;  // every checked row, in list order
};

// What the answer does with the front cover (ID3v2 only): the edit and, for a picture file, its
// APIC content; a refused picture file in `refused` (the write is then not to be done).
struct CoverPlan {
    CoverEdit Edit = CoverEdit::Keep;
    bool FromFolder = false;
    std::shared_ptr<const std::string> Content;
    std::optional<PictureFile> Refused;
};
CoverPlan PlanCover(const WriteTagsAnswer& answer);

// The box of a refused picture file, in Russian.
std::string CoverRefusedText(const std::string& path, const PictureFile& file);

// Plans the answer's write on the checked rows, in list order, changing no file: each file's
// readiness, then, for a file that may be written, its record (with the numbering and the
// scripts' counters of the loop: only files to be written use up a number), the fields whose
// text changes (ID3v2: a field kept is no change) and, for a cover from each file's folder, that
// folder's picture (its header checked, its bytes read only when the file is written).
TagWritePlan PlanTagWrite(const WriteTagsAnswer& answer, FileList& list, const CoverPlan& cover = {});

// Carries a plan out: with KillTags every file loses its ID3v1 tag first; then per file, in
// order, PrepareFileForWrite by TryChangeAttrs and the planned record written, with the status
// text, progress 100 / N * k and the cancel of the batch (an Abort in the writer ends it too).
void ApplyTagWritePlan(const TagWritePlan& plan, FileList& list, const TagEngine& engine, TagWriteBatchResult& result);

// The first half of TagWriteBatch, without a change to any file: "Нет выбранных файлов." when no
// row is checked, the folder counters reset, the dialog asked and a malformed field refused (each
// giving nothing), then the plan of the answer.
std::optional<TagWritePlan> AskAndPlanTagWrite(FileList& list, int mode, WriteTagsDialogPort& dialog,
                                               TagWriteBatchResult& result);

// TagWriteBatch(mode): "Нет выбранных файлов." when no row is checked; otherwise sets the sample
// row, resets the folder counters and asks the dialog (mode 1 ID3v1, 2 ID3v2). An answer with a
// malformed field (MalformedFieldColumn) writes nothing and shows MalformedFieldText. After OK: with
// KillTags every checked file loses its ID3v1 tag first; then the loop of the answer's mode
// (status text, PrepareFileForWrite by TryChangeAttrs, the record, the writer, progress
// 100 / N * k per row; Abort in the ID3v2 writer ends the loop), ShowTotal, the summary box when
// any file was not written, and BuildList of the checked rows. Cancel writes and refreshes nothing.
// The write is planned first (PlanTagWrite) and then carried out (ApplyTagWritePlan).
TagWriteBatchResult TagWriteBatch(FileList& list, int mode, WriteTagsDialogPort& dialog, const TagEngine& engine);

// The menu commands WriteTag1Mnu (mode 1) and WriteTAG2Mnu (mode 2): " Подождите...", then
// TagWriteBatch with the real tag engine. Run them through RunCommand.
TagWriteBatchResult WriteTagsMnuClick(FileList& list, int mode, WriteTagsDialogPort& dialog,
                                      Id3v2WriteSession& session);

}  // namespace tagmora
