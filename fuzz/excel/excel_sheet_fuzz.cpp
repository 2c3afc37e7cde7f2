// Any bytes as the XML parts of an otherwise sound .xlsx package, so that the fuzzer works
// on the worksheet, shared strings and styles rather than on zip checksums. The input is
// split at "\n--\n" into sheet data, shared strings and styles.
#include "excel/ExcelReader.h"

#include <log4cplus/logger.h>
#include <zip.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

namespace {

std::vector<std::string> splitParts(std::string_view input) {
  std::vector<std::string> parts;
  for (int i = 0; i < 2; ++i) {
    const std::size_t cut = input.find("\n--\n");
    if (cut == std::string_view::npos) break;
    parts.emplace_back(input.substr(0, cut));
    input.remove_prefix(cut + 4);
  }
  parts.emplace_back(input);
  parts.resize(3);
  return parts;
}

constexpr char kContentTypes[] =
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/"
    "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/></Types>";

void add(zip_t* zip, const char* name, const std::string& content) {
  zip_source_t* source = zip_source_buffer(zip, content.data(), content.size(), 0);
  if (source && zip_file_add(zip, name, source, ZIP_FL_OVERWRITE) < 0) zip_source_free(source);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = "/tmp/excel-sheet-fuzz-" + std::to_string(::getpid());
  log4cplus::Logger::getRoot().setLogLevel(log4cplus::OFF_LOG_LEVEL);
  const std::vector<std::string> parts =
      splitParts(std::string_view(reinterpret_cast<const char*>(data), size));
  const std::string sheet = "<worksheet><sheetData>" + parts[0] + "</sheetData></worksheet>";
  const std::string strings = "<sst>" + parts[1] + "</sst>";
  const std::string styles = "<styleSheet>" + parts[2] + "</styleSheet>";
  const std::string rels =
      "<Relationships>"
      "<Relationship Id=\"a\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
      "<Relationship Id=\"b\" Type=\"x/sharedStrings\" Target=\"sharedStrings.xml\"/>"
      "<Relationship Id=\"c\" Type=\"x/styles\" Target=\"styles.xml\"/></Relationships>";
  const std::string workbook =
      "<workbook xmlns:r=\"r\"><sheets><sheet name=\"S\" r:id=\"a\"/></sheets></workbook>";
  int error = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!zip) return 0;
  // Without the content types the file is no Office Open XML package at all.
  static const std::string contentTypes = kContentTypes;  // libzip reads it at zip_close
  add(zip, "[Content_Types].xml", contentTypes);
  add(zip, "xl/workbook.xml", workbook);
  add(zip, "xl/_rels/workbook.xml.rels", rels);
  add(zip, "xl/worksheets/sheet1.xml", sheet);
  add(zip, "xl/sharedStrings.xml", strings);
  add(zip, "xl/styles.xml", styles);
  if (zip_close(zip) != 0) {
    zip_discard(zip);
    return 0;
  }
  std::vector<WECHATKUAIJIEDATA> rows;
  CExcelReader::__ReadExcelContentByOffice(rows, path);
  std::remove(path.c_str());
  return 0;
}
