// The cells of an .xlsx worksheet part, read as a stream into a range: each <c> of each
// <row> of <sheetData>, resolved against the shared strings and, for dates, the date formats
// of the cell styles. Text is kept as it stands, spaces too.
#pragma once

#include "excel/ExcelXmlStream.h"

#include <cstdint>
#include <string>
#include <vector>

class CExcelRange;

class CSheetSink : public IXmlSink {
 public:
  CSheetSink(const std::vector<std::string>& sharedStrings,
             const std::vector<std::string>& dateFormats, bool date1904, CExcelRange& range)
      : m_sharedStrings(sharedStrings),
        m_dateFormats(dateFormats),
        m_bDate1904(date1904),
        m_range(range) {}

  void Start(const char* name, const char** attributes) override;
  void End(const char* name) override;
  void Text(const char* text, std::size_t length) override;
  bool Failed(std::string& error) const override;

 private:
  void StartRow(const char** attributes);
  void StartCell(const char** attributes);
  void EndCell();
  bool CellText(std::string& text);
  bool SharedString(std::string& text);
  bool NumberText(std::string& text);

  const std::vector<std::string>& m_sharedStrings;
  const std::vector<std::string>& m_dateFormats;
  bool m_bDate1904;
  CExcelRange& m_range;
  std::string m_sError;

  bool m_bInSheetData = false;
  std::uint32_t m_nRow = 0;
  std::uint32_t m_nNextRow = 0;
  std::uint32_t m_nNextColumn = 0;
  // The cell being read.
  bool m_bInCell = false;
  std::uint32_t m_nCellRow = 0;
  std::uint32_t m_nColumn = 0;
  std::string m_sType;
  int m_nStyle = 0;
  bool m_bInValue = false;
  bool m_bInInline = false;
  bool m_bInInlineText = false;
  int m_nPhonetic = 0;
  std::string m_sValue;
  std::string m_sInline;
};
