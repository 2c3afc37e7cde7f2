// tc_xls_reader WORKBOOK REPORT: reads the first worksheet of a .xls workbook and writes what
// it found (see excel/ExcelXlsReport.h) to the file REPORT. The import runs it as a separate
// program because a damaged workbook may crash a BIFF parser: here it can only end this
// process. Exit status 0 when the report was written, whatever it says.
#include "excel/ExcelXlsReport.h"
#include "excel/xlsreader/XlsWorkbookReader.h"

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s WORKBOOK REPORT\n", argc > 0 ? argv[0] : "tc_xls_reader");
    return 2;
  }
  CExcelXlsReport report;
  CXlsWorkbookReader().Read(argv[1], report);
  const std::string data = report.Encode();
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  out.close();
  return out ? 0 : 1;
}
