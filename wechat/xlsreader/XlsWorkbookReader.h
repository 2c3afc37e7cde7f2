// Reads a BIFF workbook (.xls) with FreeXL into a report: the outcome of each step and the
// non-empty cells of the first worksheet as text.
#pragma once

#include "wechat/ExcelXlsReport.h"

#include <string>

class CXlsWorkbookReader {
 public:
  CXlsWorkbookReader() = default;
  CXlsWorkbookReader(const CXlsWorkbookReader&) = delete;
  CXlsWorkbookReader& operator=(const CXlsWorkbookReader&) = delete;
  ~CXlsWorkbookReader();

  // Runs the steps in order and stops at the first that fails.
  void Read(const std::string& path, CExcelXlsReport& report);

 private:
  bool Open(const std::string& path, std::string& error);
  bool Worksheets(std::string& error);
  bool FirstSheet(std::string& error);
  bool Cells(CExcelXlsReport& report, std::string& error);

  const void* m_handle = nullptr;
};
