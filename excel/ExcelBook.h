// One opened spreadsheet file, walked in the order in which the readers log their steps:
// open the file, list its worksheets, take the first one, read its used range. A step that
// fails returns false with a short English reason for the log; nothing throws.
#pragma once

#include <string>

class CExcelRange;

class IExcelBook {
 public:
  virtual ~IExcelBook() = default;

  virtual bool Open(const std::string& path, std::string& error) = 0;
  virtual bool LoadWorksheets(std::string& error) = 0;
  virtual bool SelectFirstSheet(std::string& error) = 0;
  virtual bool ReadUsedRange(CExcelRange& range, std::string& error) = 0;
};
