// Any bytes as LibreOffice's CSV output.
#include "excel/ExcelCsv.h"
#include "excel/ExcelRange.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CExcelRange range;
  ParseExcelCsv(std::string_view(reinterpret_cast<const char*>(data), size), range);
  range.RowCount();
  range.DataRows();
  return 0;
}
