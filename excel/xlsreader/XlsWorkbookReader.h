// Reads a BIFF workbook (.xls: Excel 5/95 and Excel 97 to 2003, as Excel, LibreOffice and
// Gnumeric write it) into a report: the outcome of each step and the non-empty cells of the
// first worksheet as text.
//
// The compound-document container is opened with libgsf; the records of the workbook stream
// are read here. A cell's text is what the .xlsx reader gives for the same cell: formula
// cells give their cached result, booleans TRUE/FALSE, errors their code ("#DIV/0!"),
// numbers in a date or time format the date as that format shows it, other numbers plain
// (a currency format never makes a date). Strings are decoded from UTF-16 or, in Excel 5
// files, from the workbook's code page.
#pragma once

#include "excel/ExcelXlsReport.h"

#include <string>
#include <vector>

class CXlsWorkbookReader {
 public:
  // Runs the steps in order and stops at the first that fails.
  void Read(const std::string& path, CExcelXlsReport& report);

 private:
  bool Open(const std::string& path, std::string& error);
  bool Worksheets(std::string& error);
  bool FirstSheet(std::string& error);
  bool Cells(CExcelXlsReport& report, std::string& error);

  std::string m_sStream;  // the workbook stream
  bool m_bBiff8 = false;
  bool m_bDate1904 = false;
  int m_nCodePage = 1252;
  std::vector<std::string> m_vecSharedStrings;
  std::vector<std::string> m_vecDateFormats;  // per XF: the date format code, or ""
  std::vector<std::size_t> m_vecWorksheetOffsets;
  std::size_t m_nSheetOffset = 0;
};
