// The cells of one worksheet as the readers find them, and the quick-reply rows taken from
// them. Only non-empty cells are kept, so a sheet with one far-away cell costs nothing.
#pragma once

#include "excel/ExcelReader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Collects the non-empty cells of a sheet (0-based coordinates, any order) and gives the
// rows of its used range: the smallest rectangle holding every non-empty cell.
class CExcelRange {
 public:
  // Empty texts are ignored; a later cell at the same place replaces an earlier one.
  void Add(std::uint32_t row, std::uint32_t column, std::string text);

  std::size_t CellCount() const { return m_vecCells.size(); }
  // Rows of the used range, header included; 0 for an empty sheet.
  std::uint32_t RowCount() const;
  // Rows 2.. of the used range, in order: its columns 1 and 2 as title and content.
  // Rows whose two cells are both empty are skipped. The texts are moved out, so that a
  // large sheet is not held twice: the range is empty afterwards.
  std::vector<WECHATKUAIJIEDATA> DataRows();

 private:
  struct TCell {
    std::uint32_t row;
    std::uint32_t column;
    std::size_t order;
    std::string text;
  };

  std::vector<TCell> m_vecCells;
  std::uint32_t m_nMinRow = UINT32_MAX;
  std::uint32_t m_nMaxRow = 0;
  std::uint32_t m_nMinColumn = UINT32_MAX;
};

// A number as a spreadsheet shows it in a general cell: "12" not "12.0", "3.5", 15
// significant digits ("0.3" for 0.1+0.2), scientific only for very large or tiny values.
std::string ExcelNumberText(double value);
