// Any bytes as a workbook file for the in-process reader: the file kind, the zip layer and
// the .xlsx reader behind it. Compound documents (.xls) are passed over: the import hands
// them to the helper program, a process per file, which would slow the run to a crawl here;
// xls_biff_fuzz runs the helper's record reader in process instead.
#include "excel/ExcelReader.h"

#include <log4cplus/logger.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::uint8_t kCompound[] = {0xD0, 0xCF, 0x11, 0xE0};
  if (size >= 4 && std::memcmp(data, kCompound, 4) == 0) return 0;
  static const std::string path = "/tmp/excel-book-fuzz-" + std::to_string(::getpid());
  log4cplus::Logger::getRoot().setLogLevel(log4cplus::OFF_LOG_LEVEL);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  std::vector<WECHATKUAIJIEDATA> rows;
  CExcelReader::__ReadExcelContentByOffice(rows, path);
  std::remove(path.c_str());
  return 0;
}
