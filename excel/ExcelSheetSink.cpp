#include "excel/ExcelSheetSink.h"

#include "excel/ExcelDate.h"
#include "excel/ExcelRange.h"
#include "excel/ExcelXlsx.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::uint32_t kMaxRows = 1048576;
constexpr std::uint32_t kMaxColumns = 16384;

bool is(const char* name, const char* expected) {
  return std::strcmp(name, expected) == 0;
}

// "A1" -> row 0, column 0. False for anything else, or beyond the sheet's limits.
bool parseCellReference(const char* ref, std::uint32_t& row, std::uint32_t& column) {
  std::uint32_t col = 0;
  const char* p = ref;
  for (; (*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z'); ++p) {
    col = col * 26 + static_cast<std::uint32_t>((*p | 0x20) - 'a' + 1);
    if (col > kMaxColumns) return false;
  }
  std::uint32_t r = 0;
  const char* end = ref + std::strlen(ref);
  const auto [rest, ec] = std::from_chars(p, end, r);
  if (col == 0 || ec != std::errc() || rest != end || r == 0 || r > kMaxRows) return false;
  row = r - 1;
  column = col - 1;
  return true;
}

bool parseNumber(const std::string& text, double& value) {
  const char* end = text.data() + text.size();
  const auto [rest, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && rest == end;
}

}  // namespace

void CSheetSink::Start(const char* name, const char** attributes) {
  if (is(name, "sheetData")) {
    m_bInSheetData = true;
  } else if (!m_bInSheetData) {
    return;
  } else if (is(name, "row")) {
    StartRow(attributes);
  } else if (is(name, "c")) {
    StartCell(attributes);
  } else if (!m_bInCell) {
    return;
  } else if (is(name, "v")) {
    m_bInValue = true;
  } else if (is(name, "is")) {
    m_bInInline = true;
  } else if (is(name, "rPh")) {
    ++m_nPhonetic;
  } else if (is(name, "t")) {
    m_bInInlineText = m_bInInline && m_nPhonetic == 0;
  }
}

void CSheetSink::End(const char* name) {
  if (is(name, "sheetData")) {
    m_bInSheetData = false;
  } else if (is(name, "row")) {
    m_nNextRow = m_nRow + 1;
  } else if (is(name, "c") && m_bInCell) {
    EndCell();
  } else if (is(name, "v")) {
    m_bInValue = false;
  } else if (is(name, "is")) {
    m_bInInline = false;
  } else if (is(name, "rPh")) {
    --m_nPhonetic;
  } else if (is(name, "t")) {
    m_bInInlineText = false;
  }
}

void CSheetSink::Text(const char* text, std::size_t length) {
  if (m_bInValue)
    m_sValue.append(text, length);
  else if (m_bInInlineText)
    m_sInline.append(text, length);
}

bool CSheetSink::Failed(std::string& error) const {
  if (m_sError.empty()) return false;
  error = m_sError;
  return true;
}

void CSheetSink::StartRow(const char** attributes) {
  m_nRow = m_nNextRow;
  m_nNextColumn = 0;
  const char* number = CXmlStream::Attribute(attributes, "r");
  if (!number) return;
  const unsigned long value = std::strtoul(number, nullptr, 10);
  if (value > kMaxRows) {
    m_sError = "a row number beyond the sheet's limits";
  } else if (value > 0) {
    m_nRow = static_cast<std::uint32_t>(value - 1);
  }
}

void CSheetSink::StartCell(const char** attributes) {
  m_bInCell = true;
  m_nCellRow = m_nRow;
  m_nColumn = m_nNextColumn;
  const char* ref = CXmlStream::Attribute(attributes, "r");
  if (ref && !parseCellReference(ref, m_nCellRow, m_nColumn)) {
    m_sError = std::string("bad cell reference \"") + ref + "\"";
  } else if (m_nColumn >= kMaxColumns) {
    m_sError = "a row has more cells than a sheet can hold";
  }
  const char* type = CXmlStream::Attribute(attributes, "t");
  m_sType = type ? type : "n";
  const char* style = CXmlStream::Attribute(attributes, "s");
  m_nStyle = style ? std::atoi(style) : 0;
  m_sValue.clear();
  m_sInline.clear();
}

void CSheetSink::EndCell() {
  m_bInCell = false;
  m_bInValue = m_bInInline = m_bInInlineText = false;
  m_nPhonetic = 0;
  std::string text;
  if (!CellText(text)) return;
  m_range.Add(m_nCellRow, m_nColumn, std::move(text));
  m_nNextColumn = m_nColumn + 1;
}

bool CSheetSink::CellText(std::string& text) {
  if (m_sType == "inlineStr") {
    text = DecodeExcelEscapes(m_sInline);
    return true;
  }
  if (m_sValue.empty()) {
    text.clear();
    return true;
  }
  if (m_sType == "s") return SharedString(text);
  if (m_sType == "b") {
    text = m_sValue == "1" || m_sValue == "true" ? "TRUE" : "FALSE";
    return true;
  }
  if (m_sType == "n") return NumberText(text);
  text = DecodeExcelEscapes(m_sValue);  // "str" (formula text), "e" (error), "d" (ISO date)
  return true;
}

bool CSheetSink::SharedString(std::string& text) {
  std::size_t index = 0;
  const char* end = m_sValue.data() + m_sValue.size();
  const auto [rest, ec] = std::from_chars(m_sValue.data(), end, index);
  if (ec != std::errc() || rest != end || index >= m_sharedStrings.size()) {
    m_sError = "shared string \"" + m_sValue + "\" does not exist";
    return false;
  }
  text = m_sharedStrings[index];
  return true;
}

bool CSheetSink::NumberText(std::string& text) {
  double value = 0;
  if (!parseNumber(m_sValue, value)) {
    m_sError = "bad number \"" + m_sValue + "\"";
    return false;
  }
  if (m_nStyle >= 0 && static_cast<std::size_t>(m_nStyle) < m_dateFormats.size() &&
      !m_dateFormats[m_nStyle].empty()) {
    text = FormatExcelDate(value, m_dateFormats[m_nStyle], m_bDate1904);
    if (!text.empty()) return true;
  }
  text = ExcelNumberText(value);
  return true;
}
