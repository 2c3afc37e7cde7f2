// Reads a BIFF workbook (.xls, Excel 97 and later) with FreeXL.
//
// FreeXL reads past its buffers on some damaged files (fuzzing finds such files within
// seconds), so the whole reading runs in a forked child process that sends the outcome of
// each step and the cells back over a pipe. A damaged file can at worst end the child; the
// reader then fails at the step the child did not finish. The child has a time-limit too.
#pragma once

#include "wechat/ExcelBook.h"

#include <cstdint>
#include <string>
#include <vector>

class CExcelXlsBook : public IExcelBook {
 public:
  bool Open(const std::string& path, std::string& error) override;
  bool LoadWorksheets(std::string& error) override { return StepResult(1, error); }
  bool SelectFirstSheet(std::string& error) override { return StepResult(2, error); }
  bool ReadUsedRange(CExcelRange& range, std::string& error) override;

 private:
  struct TCell {
    std::uint32_t row;
    std::uint32_t column;
    std::string text;
  };

  bool StepResult(std::size_t step, std::string& error) const;
  void Decode(const std::string& message);

  std::vector<std::string> m_vecStepErrors;  // one per finished step, "" when it succeeded
  std::vector<TCell> m_vecCells;
  std::string m_sChildFailure;  // why the child did not finish, if it did not
};
