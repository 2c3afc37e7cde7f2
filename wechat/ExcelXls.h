// Reads a BIFF workbook (.xls, Excel 97 and later) with FreeXL.
#pragma once

#include "wechat/ExcelBook.h"

class CExcelXlsBook : public IExcelBook {
public:
    CExcelXlsBook() = default;
    CExcelXlsBook(const CExcelXlsBook&) = delete;
    CExcelXlsBook& operator=(const CExcelXlsBook&) = delete;
    ~CExcelXlsBook() override;

    bool Open(const std::string& path, std::string& error) override;
    bool LoadWorksheets(std::string& error) override;
    bool SelectFirstSheet(std::string& error) override;
    bool ReadUsedRange(CExcelRange& range, std::string& error) override;

private:
    const void* m_pHandle = nullptr;
};
