// The built-in workbook engine: the spreadsheet application of this platform, on Office Open XML
// workbooks (.xlsx), which the common spreadsheet programs open.
#pragma once

#include <memory>

#include "export/Spreadsheet.h"

namespace tagmora {

// The program identifier the built-in engine answers GetSpreadsheetProgId with.
inline constexpr const char* kBuiltInSpreadsheetProgId = "Tagmora.Workbook.1";

// The provider of the built-in engine: always installed; creates an application for its own
// program identifier; CreateApplication with any other throws SpreadsheetError (never nullptr).
//
// The application keeps what it does not change: a saved workbook holds every part of the file it
// was opened from, byte for byte, except the parts of the changes (the changed worksheets, their
// relationships, comments and comment drawings, the workbook part, the content types). Cell texts
// are written as inline strings; characters XML cannot hold as "_xHHHH_"; link targets as URIs
// (xlsx::LinkTarget). Files of more than 1 GiB,
// and parts of more than 256 MiB uncompressed, are refused. The engine makes no backup copies;
// every save goes through a temporary file beside the target.
std::unique_ptr<SpreadsheetProvider> MakeBuiltInSpreadsheet();

}  // namespace tagmora
