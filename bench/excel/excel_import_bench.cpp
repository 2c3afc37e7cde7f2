// Time and peak memory of the spreadsheet import for 5,000, 100,000 and 1,048,575 rows, with
// the built-in reader ("office-") and the spreadsheet-program fallback ("wps-").
//   build/bench/excel/excel_import_bench [ROWS...]
// Goal for the built-in reader: 1,048,575 rows in under 3 s and under 300 MB peak.
//
// Each read runs in a fresh process (this program again, with --read), so that its peak
// resident size is its own; the fallback's figure is the spreadsheet program's peak.
#include "excel/ExcelReader.h"
#include "platform/win32/ChildProcess.h"
#include "platform/win32/Files.h"

#include <log4cplus/logger.h>
#include <xlsxwriter.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace {

// A header and `rows` rows of two text columns, written row by row (libxlsxwriter's constant
// memory mode keeps the writer small, and writes inline strings as Excel's streaming
// writers do).
void WriteBook(const std::string& path, int rows) {
  lxw_workbook_options options = {};
  options.constant_memory = LXW_TRUE;
  lxw_workbook* book = workbook_new_opt(path.c_str(), &options);
  lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
  worksheet_write_string(sheet, 0, 0, "标题", nullptr);
  worksheet_write_string(sheet, 0, 1, "内容", nullptr);
  for (int i = 1; i <= rows; ++i) {
    const std::string title = "标题 " + std::to_string(i);
    const std::string content = "您好，这是第 " + std::to_string(i) + " 条快捷回复 😀";
    worksheet_write_string(sheet, i, 0, title.c_str(), nullptr);
    worksheet_write_string(sheet, i, 1, content.c_str(), nullptr);
  }
  workbook_close(book);
}

int ReadOnce(const std::string& path, const std::string& reader) {
  log4cplus::Logger::getRoot().setLogLevel(log4cplus::OFF_LOG_LEVEL);
  const auto start = std::chrono::steady_clock::now();
  std::vector<WECHATKUAIJIEDATA> rows;
  if (reader == "office")
    CExcelReader::__ReadExcelContentByOffice(rows, path);
  else
    CExcelReader::__ReadExcelContentByWps(rows, path);
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  rusage self{};
  rusage children{};
  ::getrusage(RUSAGE_SELF, &self);
  ::getrusage(RUSAGE_CHILDREN, &children);
  std::printf("%-7s %9zu rows read %9.0f ms   peak RSS %6ld MB (program %6ld MB)\n", reader.c_str(),
              rows.size(), ms, self.ru_maxrss / 1024, children.ru_maxrss / 1024);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--read") return ReadOnce(argv[2], argv[3]);
  std::vector<int> sizes = {5000, 100000, 1048575};
  if (argc > 1) {
    sizes.clear();
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  }
  const std::string folder = (std::filesystem::temp_directory_path() /
                              ("excel-import-bench-" + std::to_string(::getpid())))
                                 .string();
  std::filesystem::create_directories(folder);
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  self[n > 0 ? n : 0] = '\0';
  for (int rows : sizes) {
    const std::string book = folder + "/book" + std::to_string(rows) + ".xlsx";
    WriteBook(book, rows);
    std::printf("%d data rows, %.1f MB .xlsx\n", rows,
                static_cast<double>(std::filesystem::file_size(book)) / 1048576.0);
    for (const char* reader : {"office", "wps"}) {
      win32::TChildOptions child;
      child.program = self;
      child.arguments = {"--read", book, reader};
      child.outputPath = folder + "/out";
      child.timeoutMs = 600000;
      const win32::TChildResult result = win32::RunChildProcess(child);
      std::string out;
      win32::ReadWholeFile(child.outputPath, out);
      std::printf("  %s", result.Succeeded() ? out.c_str() : "(the read did not finish)\n");
    }
    std::filesystem::remove(book);
  }
  std::filesystem::remove_all(folder);
  return 0;
}
