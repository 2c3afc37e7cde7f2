// Reads a BIFF workbook (.xls) through the helper program tc_xls_reader.
//
// BIFF parsers read past their buffers on some damaged files (fuzzing finds such files within
// seconds), so the reading runs in a separate program, started fresh (never a fork of this
// multi-threaded process) with a time limit. It writes the outcome of each step and the cells
// to a report file; a damaged file can at worst end the helper, and the reader then fails at
// the step the helper did not finish.
//
// The helper is looked for beside the running executable (the installed program), then where
// the build put it (tests and benchmarks run from other folders of the build tree).
#pragma once

#include "excel/ExcelBook.h"
#include "excel/ExcelXlsReport.h"

#include <string>

class CExcelXlsBook : public IExcelBook {
 public:
  bool Open(const std::string& path, std::string& error) override;
  bool LoadWorksheets(std::string& error) override { return StepResult(1, error); }
  bool SelectFirstSheet(std::string& error) override { return StepResult(2, error); }
  bool ReadUsedRange(CExcelRange& range, std::string& error) override;

 private:
  bool StepResult(std::size_t step, std::string& error) const;

  CExcelXlsReport m_report;
  std::string m_sHelperFailure;  // why the helper did not finish, if it did not
};

// The helper's full path; "" when it is nowhere to be found.
std::string ExcelXlsReaderProgram();
