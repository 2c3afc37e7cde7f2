#include "excel/ExcelXls.h"

#include "excel/ExcelOffice.h"
#include "excel/ExcelRange.h"
#include "platform/win32/ChildProcess.h"
#include "platform/win32/Files.h"

#include <unistd.h>

namespace {

constexpr int kHelperTimeoutMs = 30000;
constexpr const char* kHelperName = "tc_xls_reader";

std::string helperFailure(const win32::TChildResult& result) {
  switch (result.end) {
    case win32::EChildEnd::NotStarted:
      return "cannot start the .xls reader: " + result.error;
    case win32::EChildEnd::TimedOut:
      return "the .xls reader took too long on this file";
    case win32::EChildEnd::Signalled:
      return "the .xls reader stopped on this damaged file (signal " +
             std::to_string(result.signal) + ")";
    case win32::EChildEnd::Exited:
      break;
  }
  return result.exitCode == 0 ? "the .xls reader's answer was cut short"
                              : "the .xls reader failed on this file";
}

}  // namespace

std::string ExcelXlsReaderProgram() {
  for (const std::string& candidate :
       {win32::ProgramFolder() + kHelperName, std::string(TC_XLS_READER_BUILT)}) {
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

bool CExcelXlsBook::Open(const std::string& path, std::string& error) {
  CExcelTempFolder folder;
  const std::string program = ExcelXlsReaderProgram();
  if (program.empty()) {
    m_sHelperFailure = std::string("the .xls reader (") + kHelperName + ") is not installed";
  } else if (!folder.Create(error)) {
    m_sHelperFailure = error;
  } else {
    win32::TChildOptions child;
    child.program = program;
    child.arguments = {path, folder.Path() + "/report"};
    child.outputPath = folder.Path() + "/log";
    child.timeoutMs = kHelperTimeoutMs;
    const win32::TChildResult result = win32::RunChildProcess(child);
    std::string data;
    if (result.end != win32::EChildEnd::NotStarted)
      win32::ReadWholeFile(folder.Path() + "/report", data);
    m_report.Decode(data);
    m_sHelperFailure = helperFailure(result);
  }
  return StepResult(0, error);
}

bool CExcelXlsBook::StepResult(std::size_t step, std::string& error) const {
  if (step >= m_report.StepErrors().size()) {
    error = m_sHelperFailure;
    return false;
  }
  error = m_report.StepErrors()[step];
  return error.empty();
}

bool CExcelXlsBook::ReadUsedRange(CExcelRange& range, std::string& error) {
  if (!StepResult(3, error)) return false;
  for (auto& cell : m_report.Cells()) range.Add(cell.row, cell.column, std::move(cell.text));
  return true;
}
