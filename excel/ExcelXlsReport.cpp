#include "excel/ExcelXlsReport.h"

#include <cstring>

namespace {

// The encoding: per step a byte (0 ok, 1 failed) and, when failed, the reason; once all
// steps succeeded, the cells (row, column, text) up to the end. Numbers are 32-bit in the
// machine's order: writer and reader are the same build.
void putU32(std::string& out, std::uint32_t value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void putText(std::string& out, const std::string& text) {
  putU32(out, static_cast<std::uint32_t>(text.size()));
  out += text;
}

bool getU32(const std::string& in, std::size_t& at, std::uint32_t& value) {
  if (in.size() - at < sizeof value) return false;
  std::memcpy(&value, in.data() + at, sizeof value);
  at += sizeof value;
  return true;
}

bool getText(const std::string& in, std::size_t& at, std::string& text) {
  std::uint32_t size = 0;
  if (!getU32(in, at, size) || in.size() - at < size) return false;
  text.assign(in, at, size);
  at += size;
  return true;
}

}  // namespace

void CExcelXlsReport::AddStep(const std::string& error) {
  m_vecStepErrors.push_back(error);
}

void CExcelXlsReport::AddCell(std::uint32_t row, std::uint32_t column, std::string text) {
  m_vecCells.push_back({row, column, std::move(text)});
}

std::string CExcelXlsReport::Encode() const {
  std::string out;
  for (const std::string& error : m_vecStepErrors) {
    out += error.empty() ? '\0' : '\1';
    if (!error.empty()) putText(out, error);
  }
  for (const TCell& cell : m_vecCells) {
    putU32(out, cell.row);
    putU32(out, cell.column);
    putText(out, cell.text);
  }
  return out;
}

bool CExcelXlsReport::Decode(const std::string& data) {
  m_vecStepErrors.clear();
  m_vecCells.clear();
  std::size_t at = 0;
  while (m_vecStepErrors.size() < kStepCount && at < data.size()) {
    const bool ok = data[at++] == '\0';
    std::string reason;
    if (!ok && !getText(data, at, reason)) return false;
    m_vecStepErrors.push_back(ok ? std::string() : reason.empty() ? "?" : reason);
    if (!ok) return true;
  }
  if (m_vecStepErrors.size() < kStepCount) return false;
  while (at < data.size()) {
    TCell cell;
    if (!getU32(data, at, cell.row) || !getU32(data, at, cell.column) ||
        !getText(data, at, cell.text)) {
      m_vecStepErrors.pop_back();  // the last step did not finish
      m_vecCells.clear();
      return false;
    }
    m_vecCells.push_back(std::move(cell));
  }
  return true;
}
