// What kind of spreadsheet a file is, told by its bytes before any reader or program touches
// it, and the text checks that keep binary junk out of the import.
//
// The spreadsheet program is always told which import filter to use: left to guess, it opens
// any file it cannot place as plain text, and a damaged workbook or a binary file then
// "imports" as rows of junk. Files of no known kind never reach it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

enum class EExcelFileKind {
  Unknown,             // not a spreadsheet (or one no reader here knows)
  Biff,                // compound document: .xls, .et
  OfficeOpenXml,       // zip with [Content_Types].xml: .xlsx, .xlsm
  OpenDocument,        // zip whose mimetype is a spreadsheet: .ods
  FlatOpenDocument,    // XML: .fods
  SpreadsheetXml2003,  // XML: Excel 2003 XML spreadsheet
  CsvUtf8,             // a .csv (or .txt) of clean UTF-8 text
  CsvGbk,              // a .csv (or .txt) of clean GBK text (Excel on Chinese Windows)
};

// Looks at the file. Only regular files are looked at (a FIFO is refused at once); the text
// kinds read the whole file, so the caller checks the size first. `reason` says why a file
// is Unknown.
EExcelFileKind ExcelFileKindOf(const std::string& path, std::string& reason);

// The spreadsheet program's import filter for the kind ("" for Unknown).
std::string ExcelImportFilter(EExcelFileKind kind);

// Valid UTF-8 without control characters (C0 but tab, LF and CR; DEL; C1).
bool IsCleanUtf8Text(std::string_view text);
// Valid GBK as code page 936 has it (ASCII, the euro sign 0x80, double-byte characters)
// without control characters.
bool IsCleanGbkText(std::string_view text);
