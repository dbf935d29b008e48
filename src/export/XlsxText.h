// Cell addresses and cell text of the workbook engine: A1 notation ("C4", "$C$4", "A2:A17",
// "5:17") and the escapes with which a workbook holds characters that XML cannot ("_x0001_").
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tagmora::xlsx {

inline constexpr int kMaxRow = 1048576;
inline constexpr int kMaxColumn = 16384;

// The column's letters: 1 is "A", 27 is "AA".
std::string ColumnName(int column);
// "C4" for row 4, column 3.
std::string CellAddress(int row, int column);
// Reads "C4" or "$C$4"; false when the text is no cell address within the sheet's bounds.
bool ParseCell(std::string_view address, int& row, int& column);

// A rectangle of cells, 1-based, first <= last.
struct CellRange {
    int FirstRow = 0;
    int FirstColumn = 0;
    int LastRow = 0;
    int LastColumn = 0;
};
// Reads "C4", "A2:B17" (corners in either order) or whole rows "5:17"; false otherwise.
bool ParseRange(std::string_view address, CellRange& range);

// The text as a workbook stores it: control characters other than tab and line feed become
// "_xHHHH_", and an underscore that would start such an escape becomes "_x005F_"; bytes that are
// no UTF-8 become replacement characters.
std::string EscapeCellText(std::string_view text);
// The most characters a cell holds, counted in UTF-16 units as the spreadsheet programs count.
inline constexpr std::size_t kMaxCellUnits = 32767;
// The text as long as a cell may hold it: its first characters up to kMaxCellUnits units, a
// character beyond U+FFFF counting two and never cut in half ("a" * 32766 + U+1F600 keeps the "a"s).
std::string_view CutToCell(std::string_view text);
// A link address as a relationship target: a URI (RFC 3986). Its UTF-8 bytes (bytes that are no
// UTF-8 as the replacement character) and the characters a URI cannot hold are written as %XX;
// an escape "%XX" already there stays, and so does the first "#" (the fragment), while "[" and "]"
// stay only in the host: "http://h/Back & Black <1980>/ё" -> "http://h/Back%20&%20Black%20%3C1980%3E/%D1%91".
// A network share path is a file's path: "\\server\share\#1 a.mp3" -> "file://server/share/%231%20a.mp3"
// ("%", "?" and "#" are then characters of its names).
std::string LinkTarget(std::string_view address);
// The reverse of EscapeCellText: every "_xHHHH_" becomes its character.
std::string UnescapeCellText(std::string_view stored);
// Whether the stored text needs xml:space="preserve" (leading or trailing white space, tabs, line
// breaks).
bool NeedsSpacePreserve(std::string_view stored);

}  // namespace tagmora::xlsx
