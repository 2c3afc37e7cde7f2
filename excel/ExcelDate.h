// Dates in spreadsheet cells: a number (days since the workbook's epoch, the fraction being
// the time of day) shown through a number format code such as "yyyy-mm-dd hh:mm".
#pragma once

#include <string>

// The code of a built-in number format (ids 0-58), as a Simplified Chinese Excel shows it;
// "General" for ids without a fixed code.
std::string BuiltinExcelFormat(int id);

// True when the format code shows a date or a time (it has y, d, h, s, or m tokens outside
// quoted text, escapes and colour or locale brackets).
bool IsExcelDateFormat(const std::string& code);

// The serial shown through the first section of the date format `code`; "" when the serial
// is outside the range of dates (the caller then shows the number).
std::string FormatExcelDate(double serial, const std::string& code, bool date1904);
