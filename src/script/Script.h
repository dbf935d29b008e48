// The placeholder script language: evaluating a script on a row of the file list, checking it on
// the sample row without side effects, and the operations it is built from.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tagmora {

class FileList;

// The result text of every script that fails.
inline constexpr std::string_view kScriptError = "Error";

// The longest text (in bytes) that one operation or a whole script may produce; a script whose
// replacements or placeholders would grow beyond it fails with "Error" instead of exhausting memory.
inline constexpr std::size_t kMaxScriptTextBytes = std::size_t{1} << 20;

// Evaluates `script` against row `row` of `list` (0-based over all rows). Literal runs are copied;
// each placeholder (delimiter, operations, delimiter) starts from RowPath(row) and is replaced by
// its final text. The delimiter is the first character of the setting ScriptSeparator (every
// script is plain text when it is empty), the split operation uses AddPrefixSeparator. Each "nn"
// advances the counter of the row's folder in list.FolderCounters. Any malformed script gives
// "Error", and so does a placeholder on a row index outside the list, an "nn" on a row whose
// folder has no counter, and a result longer than kMaxScriptTextBytes. Reads nothing beyond the
// script and runs in time linear in the script's length.
//
// Bracketed operations find their parts by searching the script: the "[" is the first one after
// the letter (the characters in between are skipped, but the placeholder's closing delimiter may
// not be among them), then the first "-" (range) or "," (replacement) after it, then the first "]"
// after that. Between "[" and "]" the delimiter is an ordinary character, so %r[%,x]% replaces
// every percent sign by "x". Examples for /Music/Album/01 - Song.mp3 with "%" and " - ":
//   "%p1%" -> "Album", "%p0n[-4]%" -> "01 - Song", "%p0n![1-3]%" -> "mp3", "%p0s2%" -> "Song.mp3".
std::string EvaluateScript(std::string_view script, FileList& list, int row);

// The script evaluated on `sampleRow` for a preview: placeholders start from the row's FileText
// (not its full path), "nn" gives "01" and changes no counter, "t" reads the sample row. Returns
// "Error" exactly when EvaluateScript fails on every row. A `sampleRow` outside the list previews
// on a row whose texts are all empty. Changes nothing.
std::string CheckScript(std::string_view script, const FileList& list, int sampleRow);

// The index of the first checked row, or -1 when no row is checked.
int SampleRow(const FileList& list);

// Sets every folder counter to 0.
void ResetFolderCounters(FileList& list);

// Path component `n` counted from the end of a "/"-separated path: 0 the file name, 1 its folder,
// and so on; the first component (the empty text before the leading "/" of an absolute path) is
// returned whole, a number beyond it gives the empty text.
std::string PathPart(std::string_view text, int n);

// Piece `k` (from 1) of the text cut at every occurrence of `separator`, searched left to right;
// 0 or a number beyond the last piece gives the empty text; an empty separator gives the text.
std::string SplitPart(std::string_view text, int k, std::string_view separator);

// The character range of the range operation, by code point: `start` and `end` are 1-based and 0
// means absent ([-end] drops the last `end` characters, [start-] takes from `start` to the end,
// [start-end] both inclusive). With `fromEnd` ("!") positions count from the end of the text and
// the characters keep their order: SubRange("01 - Song.mp3", 1, 3, true) is "mp3".
std::string SubRange(std::string_view text, int start, int end, bool fromEnd = false);

// Every occurrence of `oldText` replaced by `newText`, scanning left to right without overlap;
// an empty `oldText` leaves the text unchanged.
std::string ReplaceAll(std::string_view text, std::string_view oldText, std::string_view newText);

// Russian Cyrillic letters (А..я, Ё, ё) become Latin text ("Ж" -> "Zh", "щ" -> "sch", "ъ" -> "'");
// every other character, other Cyrillic letters (Є, І, Ї, Ґ) included, stays as it is.
std::string Transliterate(std::string_view text);

// "0" followed by the number for numbers up to 9 ("00".."09", and "0-1" for -1), plain decimal
// otherwise: "10", "100".
std::string TwoDigitNumber(int n);

}  // namespace tagmora
