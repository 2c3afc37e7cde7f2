// Any number through any number format code: the first 8 bytes are the serial.
#include "excel/ExcelDate.h"
#include "excel/ExcelRange.h"

#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < sizeof(double)) return 0;
  double serial = 0;
  std::memcpy(&serial, data, sizeof serial);
  const std::string code(reinterpret_cast<const char*>(data) + sizeof serial, size - sizeof serial);
  if (IsExcelDateFormat(code)) FormatExcelDate(serial, code, (size & 1) != 0);
  ExcelNumberText(serial);
  return 0;
}
