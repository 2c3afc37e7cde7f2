// Comma-separated text as LibreOffice writes it: fields separated by ",", a field in double
// quotes may hold commas, line breaks and doubled quotes (""), records end with LF or CRLF.
#pragma once

#include <string_view>

class CExcelRange;

// Adds every non-empty field to `range` (row = record, column = field, both 0-based).
// A UTF-8 byte-order mark is skipped; an unterminated quote runs to the end of the text.
void ParseExcelCsv(std::string_view text, CExcelRange& range);
