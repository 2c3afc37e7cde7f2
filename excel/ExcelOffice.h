// Converting a spreadsheet to CSV with an installed LibreOffice, headless.
//
// Every run gets its own temporary folder (removed afterwards, whatever happened) holding a
// private LibreOffice profile, a copy of the input and the output, so that concurrent runs and
// a LibreOffice the operator has open never meet. The child runs in its own process group with
// TMPDIR pointing into that folder; the whole group is killed once the child ends or the
// time-out passes, so no process and no file outlives a run.
#pragma once

#include <string>

// "soffice" or "libreoffice" found on PATH, as a full path; "" when there is none.
std::string FindSofficeProgram();

// A folder made under the system's temporary folder, removed with everything in it on
// destruction.
class CExcelTempFolder {
 public:
  CExcelTempFolder() = default;
  CExcelTempFolder(const CExcelTempFolder&) = delete;
  CExcelTempFolder& operator=(const CExcelTempFolder&) = delete;
  ~CExcelTempFolder();

  bool Create(std::string& error);
  const std::string& Path() const { return m_sPath; }

 private:
  std::string m_sPath;
};

// Converts the first sheet of `input`, loaded with the import filter `importFilter` (see
// ExcelImportFilter), to UTF-8 CSV (plain numbers, dates as shown) inside `workFolder`, and returns
// the CSV's path in `csvPath`. False, with a reason, when the input cannot be copied, the program
// cannot be started, it fails, it outlives `timeoutMs`, or it writes no CSV.
bool ConvertWithSoffice(const std::string& program, const std::string& input,
                        const std::string& importFilter, const std::string& workFolder,
                        int timeoutMs, std::string& csvPath, std::string& error);
