// The built-in workbook engine: the spreadsheet application of this platform, on Office Open XML
// workbooks (.xlsx), which the common spreadsheet programs open.
#pragma once

#include <memory>

#include "export/Spreadsheet.h"

namespace tagmora {

// The program identifier the built-in engine answers GetSpreadsheetProgId with.
inline constexpr const char* kBuiltInSpreadsheetProgId = "Tagmora.Workbook.1";

// The provider of the built-in engine: always installed; creates an application for its own
// program identifier (and refuses any other).
std::unique_ptr<SpreadsheetProvider> MakeBuiltInSpreadsheet();

}  // namespace tagmora
