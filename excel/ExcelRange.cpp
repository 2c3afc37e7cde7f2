#include "excel/ExcelRange.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <tuple>

void CExcelRange::Add(std::uint32_t row, std::uint32_t column, std::string text) {
  if (text.empty()) return;
  m_nMinRow = std::min(m_nMinRow, row);
  m_nMaxRow = std::max(m_nMaxRow, row);
  m_nMinColumn = std::min(m_nMinColumn, column);
  m_vecCells.push_back({row, column, m_vecCells.size(), std::move(text)});
}

std::uint32_t CExcelRange::RowCount() const {
  return m_vecCells.empty() ? 0 : m_nMaxRow - m_nMinRow + 1;
}

std::vector<WECHATKUAIJIEDATA> CExcelRange::DataRows() {
  // Only the first two columns of the used range matter; sorting by (row, column, order)
  // puts each row's cells together and lets the last duplicate of a place win.
  std::vector<TCell*> wanted;
  for (TCell& cell : m_vecCells) {
    if (cell.row > m_nMinRow && cell.column - m_nMinColumn < 2) wanted.push_back(&cell);
  }
  // Cells usually come in order already; only then is the sort not needed.
  const auto before = [](const TCell* a, const TCell* b) {
    return std::tie(a->row, a->column, a->order) < std::tie(b->row, b->column, b->order);
  };
  if (!std::is_sorted(wanted.begin(), wanted.end(), before))
    std::sort(wanted.begin(), wanted.end(), before);

  std::vector<WECHATKUAIJIEDATA> rows;
  for (std::size_t i = 0; i < wanted.size();) {
    WECHATKUAIJIEDATA record;
    const std::uint32_t row = wanted[i]->row;
    for (; i < wanted.size() && wanted[i]->row == row; ++i) {
      if (wanted[i]->column == m_nMinColumn)
        record.strTitle = std::move(wanted[i]->text);
      else
        record.strContent = std::move(wanted[i]->text);
    }
    rows.push_back(std::move(record));
  }
  *this = CExcelRange();
  return rows;
}

std::string ExcelNumberText(double value) {
  if (std::isnan(value)) return "#NUM!";
  if (std::isinf(value)) return value > 0 ? "#NUM!" : "-#NUM!";
  if (value == 0) return "0";  // also for -0
  char buffer[64];
  if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
    std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(value));
    return buffer;
  }
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  std::string text = buffer;
  const std::size_t e = text.find('e');
  if (e == std::string::npos) return text;
  const int exponent = std::atoi(text.c_str() + e + 1);
  if (exponent >= -9 && exponent < 0) {
    // Small fractions read better written out: 0.000001 rather than 1e-06.
    std::snprintf(buffer, sizeof buffer, "%.*f", 14 - exponent, value);
    text = buffer;
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
    return text;
  }
  text[e] = 'E';
  return text;
}
