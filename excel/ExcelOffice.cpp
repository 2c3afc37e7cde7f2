#include "excel/ExcelOffice.h"

#include "platform/win32/ChildProcess.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// First sheet (last "1"), comma (44), double quote (34), UTF-8 (76). "Save as shown" off:
// numbers come out plain (12, not "12.00" from a two-decimal format), as the built-in reader
// gives them; dates are still written as the sheet shows them.
constexpr const char* kCsvExport =
    "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,1";
bool isExecutableFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// "file://" URL of a local folder; everything but unreserved characters and "/" is escaped.
std::string fileUrl(const std::string& path) {
  static const char hex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : path) {
    if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += hex[c >> 4];
      url += hex[c & 15];
    }
  }
  return url;
}

// The input's extension, lower case, when it is a plain one; LibreOffice picks its import
// filter faster with it (it still checks the content).
std::string plainExtension(const std::string& input) {
  std::string ext = fs::path(input).extension().string();
  if (ext.size() < 2 || ext.size() > 6) return {};
  for (std::size_t i = 1; i < ext.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(ext[i]);
    if (!std::isalnum(c)) return {};
    ext[i] = static_cast<char>(std::tolower(c));
  }
  return ext;
}

bool copyInput(const std::string& input, const std::string& copy, std::string& error) {
  std::error_code ec;
  if (!fs::is_regular_file(fs::path(input), ec)) {
    error = "\"" + input + "\" is not a readable file";
    return false;
  }
  if (!fs::copy_file(fs::path(input), copy, ec)) {
    error = "cannot copy \"" + input + "\": " + ec.message();
    return false;
  }
  return true;
}

// The line of LibreOffice's output that says what went wrong, for the log.
std::string failureReason(const std::string& logPath) {
  std::ifstream log(logPath);
  std::string line;
  std::string reason;
  while (std::getline(log, line)) {
    if (line.starts_with("Error") || reason.empty()) reason = line;
  }
  return reason.substr(0, 200);
}

std::string findCsv(const std::string& folder) {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (entry.is_regular_file(ec) && entry.path().extension() == ".csv")
      return entry.path().string();
  }
  return {};
}

}  // namespace

std::string FindSofficeProgram() {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    const std::string dir = dirs.substr(start, end - start);
    start = end + 1;
    if (dir.empty() || dir[0] != '/') continue;  // never run a program from the current folder
    for (const char* name : {"soffice", "libreoffice"}) {
      const std::string candidate = dir + "/" + name;
      if (isExecutableFile(candidate)) return candidate;
    }
  }
  return {};
}

CExcelTempFolder::~CExcelTempFolder() {
  if (m_sPath.empty()) return;
  std::error_code ec;
  fs::remove_all(m_sPath, ec);
}

bool CExcelTempFolder::Create(std::string& error) {
  std::error_code ec;
  const fs::path base = fs::temp_directory_path(ec);
  if (ec) {
    error = "no temporary folder: " + ec.message();
    return false;
  }
  std::string pattern = (base / "tc-excel-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    error = "cannot make a folder in " + base.string() + ": " + std::strerror(errno);
    return false;
  }
  m_sPath = pattern;
  return true;
}

bool ConvertWithSoffice(const std::string& program, const std::string& input,
                        const std::string& importFilter, const std::string& workFolder,
                        int timeoutMs, std::string& csvPath, std::string& error) {
  const std::string inputCopy = workFolder + "/book" + plainExtension(input);
  const std::string outFolder = workFolder + "/out";
  const std::string tmpFolder = workFolder + "/tmp";
  const std::string logPath = workFolder + "/soffice.log";
  std::error_code ec;
  if (!fs::create_directory(outFolder, ec) || !fs::create_directory(tmpFolder, ec)) {
    error = "cannot make folders in " + workFolder + ": " + ec.message();
    return false;
  }
  if (!copyInput(input, inputCopy, error)) return false;

  win32::TChildOptions child;
  child.program = program;
  child.arguments = {"-env:UserInstallation=" + fileUrl(workFolder + "/profile"),
                     "--headless",
                     "--norestore",
                     "--nolockcheck",
                     "--nologo",
                     "--nodefault"};
  child.arguments.emplace_back("--infilter=" + importFilter);
  child.arguments.insert(child.arguments.end(),
                         {"--convert-to", kCsvExport, "--outdir", outFolder, inputCopy});
  child.environment = {"TMPDIR=" + tmpFolder};
  child.outputPath = logPath;
  child.timeoutMs = timeoutMs;
  const win32::TChildResult result = win32::RunChildProcess(child);
  if (result.end == win32::EChildEnd::NotStarted) {
    error = result.error;
    return false;
  }
  if (result.end == win32::EChildEnd::TimedOut) {
    error = "LibreOffice did not finish within " + std::to_string(timeoutMs) + " ms";
    return false;
  }
  if (!result.Succeeded()) {
    error =
        "LibreOffice failed (" +
        (result.end == win32::EChildEnd::Exited ? "exit status " + std::to_string(result.exitCode)
                                                : "signal " + std::to_string(result.signal)) +
        "): " + failureReason(logPath);
    return false;
  }
  csvPath = findCsv(outFolder);
  if (csvPath.empty()) {
    error = "LibreOffice could not convert the file: " + failureReason(logPath);
    return false;
  }
  return true;
}
