// Cell addresses and cell text of the workbook engine: A1 notation ("C4", "$C$4", "A2:A17",
// "5:17") and the escapes with which a workbook holds characters that XML cannot ("_x0001_").
#pragma once

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
// A link address as a relationship target can hold it: bytes that are no UTF-8 become
// replacement characters, control characters (and U+FFFE, U+FFFF) their %XX escapes.
std::string AttributeText(std::string_view text);
// The reverse of EscapeCellText: every "_xHHHH_" becomes its character.
std::string UnescapeCellText(std::string_view stored);
// Whether the stored text needs xml:space="preserve" (leading or trailing white space, tabs, line
// breaks).
bool NeedsSpacePreserve(std::string_view stored);

}  // namespace tagmora::xlsx
