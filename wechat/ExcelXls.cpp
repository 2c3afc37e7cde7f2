#include "wechat/ExcelXls.h"

#include "wechat/ExcelRange.h"

#include <freexl.h>

namespace {

std::string freexlError(const char* what, int code)
{
    return std::string(what) + " (FreeXL error " + std::to_string(code) + ")";
}

// FreeXL hands dates and times over as text already ("YYYY-MM-DD", "HH:MM:SS").
std::string cellText(const FreeXL_CellValue& value)
{
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

CExcelXlsBook::~CExcelXlsBook()
{
    if (m_pHandle)
        freexl_close(m_pHandle);
}

bool CExcelXlsBook::Open(const std::string& path, std::string& error)
{
    const int rc = freexl_open(path.c_str(), &m_pHandle);
    if (rc != FREEXL_OK) {
        if (m_pHandle)
            freexl_close(m_pHandle);
        m_pHandle = nullptr;
        error = freexlError("not a readable .xls workbook", rc);
        return false;
    }
    unsigned int protectedBook = 0;
    if (freexl_get_info(m_pHandle, FREEXL_BIFF_PASSWORD, &protectedBook) == FREEXL_OK &&
        protectedBook == FREEXL_BIFF_OBFUSCATED) {
        error = "the workbook is password protected";
        return false;
    }
    return true;
}

bool CExcelXlsBook::LoadWorksheets(std::string& error)
{
    unsigned int count = 0;
    const int rc = freexl_get_info(m_pHandle, FREEXL_BIFF_SHEET_COUNT, &count);
    if (rc != FREEXL_OK || count == 0) {
        error = rc != FREEXL_OK ? freexlError("cannot list the worksheets", rc)
                                : "the workbook has no worksheet";
        return false;
    }
    return true;
}

bool CExcelXlsBook::SelectFirstSheet(std::string& error)
{
    const int rc = freexl_select_active_worksheet(m_pHandle, 0);
    if (rc != FREEXL_OK) {
        error = freexlError("cannot select the first worksheet", rc);
        return false;
    }
    return true;
}

bool CExcelXlsBook::ReadUsedRange(CExcelRange& range, std::string& error)
{
    unsigned int rows = 0;
    unsigned short columns = 0;
    int rc = freexl_worksheet_dimensions(m_pHandle, &rows, &columns);
    if (rc != FREEXL_OK) {
        error = freexlError("cannot read the sheet's dimensions", rc);
        return false;
    }
    for (unsigned int row = 0; row < rows; ++row) {
        for (unsigned short column = 0; column < columns; ++column) {
            FreeXL_CellValue value;
            rc = freexl_get_cell_value(m_pHandle, row, column, &value);
            if (rc != FREEXL_OK) {
                error = freexlError("cannot read a cell", rc);
                return false;
            }
            range.Add(row, column, cellText(value));
        }
    }
    return true;
}
