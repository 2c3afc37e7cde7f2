// Reads an Office Open XML workbook (.xlsx, .xlsm, .xltx) straight from its zip container:
// the package and workbook relationships lead to the first worksheet, whose cells are
// resolved against the shared strings and, for dates, the cell formats of the styles part.
// The sheet and its shared strings are read as streams (see ExcelXmlStream.h).
#pragma once

#include "excel/ExcelBook.h"

#include <map>
#include <string>
#include <vector>

class IXmlSink;
struct zip;

class CExcelXlsxBook : public IExcelBook {
 public:
  CExcelXlsxBook() = default;
  CExcelXlsxBook(const CExcelXlsxBook&) = delete;
  CExcelXlsxBook& operator=(const CExcelXlsxBook&) = delete;
  ~CExcelXlsxBook() override;

  bool Open(const std::string& path, std::string& error) override;
  bool LoadWorksheets(std::string& error) override;
  bool SelectFirstSheet(std::string& error) override;
  bool ReadUsedRange(CExcelRange& range, std::string& error) override;

 private:
  bool ReadPart(const std::string& name, std::string& content, std::string& error) const;
  // Streams a part through `sink`, never holding the whole part in memory.
  bool StreamPart(const std::string& name, IXmlSink& sink, std::string& error) const;
  bool LoadSharedStrings(std::string& error);
  bool LoadCellFormats(std::string& error);

  struct zip* m_pZip = nullptr;
  std::string m_sWorkbookPart;
  std::map<std::string, std::string> m_mapWorkbookRels;  // relationship id -> part name
  std::string m_sSharedStringsPart;
  std::string m_sStylesPart;
  std::vector<std::string> m_vecWorksheetParts;  // in tab order
  std::string m_sSheetPart;
  bool m_bDate1904 = false;
  std::vector<std::string> m_vecSharedStrings;
  std::vector<std::string> m_vecDateFormats;  // per cell format: date code, or "" if none
};

// Decodes the "_xHHHH_" escapes OOXML uses for characters XML cannot carry ("_x000D_").
std::string DecodeExcelEscapes(const std::string& text);
