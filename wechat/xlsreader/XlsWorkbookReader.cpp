#include "wechat/xlsreader/XlsWorkbookReader.h"

#include "wechat/ExcelRange.h"

#include <freexl.h>

namespace {

std::string freexlError(const char* what, int code) {
  return std::string(what) + " (FreeXL error " + std::to_string(code) + ")";
}

// FreeXL hands dates and times over as text already ("YYYY-MM-DD", "HH:MM:SS").
std::string cellText(const FreeXL_CellValue& value) {
  switch (value.type) {
    case FREEXL_CELL_INT:
      return std::to_string(value.value.int_value);
    case FREEXL_CELL_DOUBLE:
      return ExcelNumberText(value.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
      return value.value.text_value ? value.value.text_value : "";
    default:
      return "";
  }
}

}  // namespace

CXlsWorkbookReader::~CXlsWorkbookReader() {
  if (m_handle) freexl_close(m_handle);
}

void CXlsWorkbookReader::Read(const std::string& path, CExcelXlsReport& report) {
  std::string error;
  const auto step = [&](bool ok) {
    report.AddStep(ok ? std::string() : error);
    return ok;
  };
  step(Open(path, error)) && step(Worksheets(error)) && step(FirstSheet(error)) &&
      step(Cells(report, error));
}

bool CXlsWorkbookReader::Open(const std::string& path, std::string& error) {
  const int rc = freexl_open(path.c_str(), &m_handle);
  if (rc != FREEXL_OK) {
    error = freexlError("not a readable .xls workbook", rc);
    return false;
  }
  unsigned int protection = 0;
  if (freexl_get_info(m_handle, FREEXL_BIFF_PASSWORD, &protection) == FREEXL_OK &&
      protection == FREEXL_BIFF_OBFUSCATED) {
    error = "the workbook is password protected";
    return false;
  }
  return true;
}

bool CXlsWorkbookReader::Worksheets(std::string& error) {
  unsigned int count = 0;
  const int rc = freexl_get_info(m_handle, FREEXL_BIFF_SHEET_COUNT, &count);
  if (rc != FREEXL_OK || count == 0) {
    error = rc != FREEXL_OK ? freexlError("cannot list the worksheets", rc)
                            : "the workbook has no worksheet";
    return false;
  }
  return true;
}

bool CXlsWorkbookReader::FirstSheet(std::string& error) {
  const int rc = freexl_select_active_worksheet(m_handle, 0);
  if (rc != FREEXL_OK) error = freexlError("cannot select the first worksheet", rc);
  return rc == FREEXL_OK;
}

bool CXlsWorkbookReader::Cells(CExcelXlsReport& report, std::string& error) {
  unsigned int rows = 0;
  unsigned short columns = 0;
  int rc = freexl_worksheet_dimensions(m_handle, &rows, &columns);
  if (rc != FREEXL_OK) {
    error = freexlError("cannot read the sheet's dimensions", rc);
    return false;
  }
  for (unsigned int row = 0; row < rows; ++row) {
    for (unsigned short column = 0; column < columns; ++column) {
      FreeXL_CellValue value;
      rc = freexl_get_cell_value(m_handle, row, column, &value);
      if (rc != FREEXL_OK) {
        error = freexlError("cannot read a cell", rc);
        report.Cells().clear();
        return false;
      }
      std::string text = cellText(value);
      if (!text.empty()) report.AddCell(row, column, std::move(text));
    }
  }
  return true;
}
