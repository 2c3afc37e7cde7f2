// What the .xls reader helper found in a workbook, as it hands it to the import: the outcome
// of each step it finished (open, list the worksheets, take the first, read its used range)
// and the non-empty cells of the first worksheet. The helper writes it to a file; the import
// reads it back. A report cut short (the helper died while writing) decodes to the steps
// that are complete, and no cell.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CExcelXlsReport {
 public:
  static constexpr std::size_t kStepCount = 4;

  struct TCell {
    std::uint32_t row;
    std::uint32_t column;
    std::string text;
  };

  // Records the outcome of the next step: "" when it succeeded, else the reason.
  void AddStep(const std::string& error);
  void AddCell(std::uint32_t row, std::uint32_t column, std::string text);

  std::string Encode() const;
  // Replaces the content with the decoded report; false when `data` was cut short (what was
  // whole is kept, except the cells).
  bool Decode(const std::string& data);

  // The steps recorded, up to the first that failed.
  const std::vector<std::string>& StepErrors() const { return m_vecStepErrors; }
  std::vector<TCell>& Cells() { return m_vecCells; }

 private:
  std::vector<std::string> m_vecStepErrors;
  std::vector<TCell> m_vecCells;
};
