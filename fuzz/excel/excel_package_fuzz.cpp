// A structure-aware workbook target: the input is a list of package parts, each written into
// a valid zip container, so that the fuzzer works on the package (relationships, part names,
// the workbook's sheet list, content of every part) and never stalls on zip checksums.
//
// Input: parts, each "@@ NAME\n" followed by its content up to the next "\n@@ ". A NAME ending
// in "!" is stored uncompressed (the rest deflated), so both zip methods are read.
//   @@ _rels/.rels
//   <Relationships>...</Relationships>
//   @@ xl/workbook.xml
//   ...
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

struct TPart {
  std::string name;
  std::string content;
  bool stored = false;
};

constexpr std::string_view kMark = "@@ ";
constexpr std::string_view kNextMark = "\n@@ ";

std::vector<TPart> splitParts(std::string_view input) {
  std::vector<TPart> parts;
  if (input.substr(0, kMark.size()) != kMark) return parts;
  input.remove_prefix(kMark.size());
  while (!input.empty()) {
    const std::size_t nameEnd = input.find('\n');
    TPart part;
    part.name = std::string(input.substr(0, nameEnd));
    input.remove_prefix(nameEnd == std::string_view::npos ? input.size() : nameEnd + 1);
    const std::size_t end = input.find(kNextMark);
    part.content = std::string(input.substr(0, end));
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + kNextMark.size());
    if (!part.name.empty() && part.name.back() == '!') {
      part.name.pop_back();
      part.stored = true;
    }
    parts.push_back(std::move(part));
  }
  return parts;
}

bool writePackage(const std::string& path, const std::vector<TPart>& parts) {
  int error = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!zip) return false;
  for (const TPart& part : parts) {
    zip_source_t* source = zip_source_buffer(zip, part.content.data(), part.content.size(), 0);
    if (!source) continue;
    const zip_int64_t index = zip_file_add(zip, part.name.c_str(), source, ZIP_FL_OVERWRITE);
    if (index < 0) {
      zip_source_free(source);
      continue;
    }
    zip_set_file_compression(zip, static_cast<zip_uint64_t>(index),
                             part.stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
  }
  if (zip_close(zip) != 0) {
    zip_discard(zip);
    return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = "/tmp/excel-package-fuzz-" + std::to_string(::getpid()) + ".xlsx";
  log4cplus::Logger::getRoot().setLogLevel(log4cplus::OFF_LOG_LEVEL);
  const std::vector<TPart> parts =
      splitParts(std::string_view(reinterpret_cast<const char*>(data), size));
  if (parts.empty() || !writePackage(path, parts)) return 0;
  std::vector<WECHATKUAIJIEDATA> rows;
  CExcelReader::__ReadExcelContentByOffice(rows, path);
  std::remove(path.c_str());
  return 0;
}
