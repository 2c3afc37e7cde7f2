#include "excel/ExcelCsv.h"

#include "excel/ExcelRange.h"

#include <cstdint>
#include <string>

void ParseExcelCsv(std::string_view text, CExcelRange& range) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::uint32_t row = 0;
  std::uint32_t column = 0;
  std::string field;
  bool quoted = false;   // inside a quoted section
  bool pending = false;  // a record has started and is not yet ended
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c != '"') {
        field += c;
      } else if (i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else {
        quoted = false;
      }
      continue;
    }
    pending = true;
    if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      range.Add(row, column++, std::move(field));
      field.clear();
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      range.Add(row++, column, std::move(field));
      field.clear();
      column = 0;
      pending = false;
    } else {
      field += c;
    }
  }
  if (pending || quoted) range.Add(row, column, std::move(field));
}
