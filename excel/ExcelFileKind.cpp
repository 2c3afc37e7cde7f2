#include "excel/ExcelFileKind.h"

#include "platform/win32/Files.h"

#include <zip.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>

namespace {

constexpr std::size_t kHeadBytes = 4096;

bool isControl(unsigned code) {
  return (code < 0x20 && code != '\t' && code != '\n' && code != '\r') || code == 0x7F ||
         (code >= 0x80 && code < 0xA0);
}

std::string lowerExtension(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

// The text of a zip entry, up to `max` bytes; "" when there is no such entry.
std::string zipEntryStart(zip_t* zip, const char* name, std::size_t max) {
  zip_file_t* file = zip_fopen(zip, name, ZIP_FL_NOCASE);
  if (!file) return {};
  std::string text(max, '\0');
  const zip_int64_t got = zip_fread(file, text.data(), max);
  zip_fclose(file);
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return text;
}

EExcelFileKind zipKind(const std::string& path, std::string& reason) {
  int code = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_RDONLY, &code);
  if (!zip) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    reason = std::string("not a readable zip container: ") + zip_error_strerror(&error);
    zip_error_fini(&error);
    return EExcelFileKind::Unknown;
  }
  EExcelFileKind kind = EExcelFileKind::Unknown;
  if (zipEntryStart(zip, "mimetype", 64)
          .starts_with("application/vnd.oasis.opendocument.spreadsheet"))
    kind = EExcelFileKind::OpenDocument;
  else if (zip_name_locate(zip, "[Content_Types].xml", ZIP_FL_NOCASE) >= 0)
    kind = EExcelFileKind::OfficeOpenXml;
  else
    reason = "a zip file that is no spreadsheet";
  zip_discard(zip);
  return kind;
}

EExcelFileKind xmlKind(const std::string& head, std::string& reason) {
  if (head.find("urn:schemas-microsoft-com:office:spreadsheet") != std::string::npos)
    return EExcelFileKind::SpreadsheetXml2003;
  if (head.find("application/vnd.oasis.opendocument.spreadsheet") != std::string::npos)
    return EExcelFileKind::FlatOpenDocument;
  reason = "an XML file that is no spreadsheet";
  return EExcelFileKind::Unknown;
}

EExcelFileKind textKind(const std::string& path, std::string& reason) {
  const std::string ext = lowerExtension(path);
  if (ext != ".csv" && ext != ".txt") {
    reason = "neither a workbook nor a .csv file";
    return EExcelFileKind::Unknown;
  }
  std::string text;
  if (!win32::ReadWholeFile(path, text)) {
    reason = "cannot read the file";
    return EExcelFileKind::Unknown;
  }
  std::string_view view = text;
  if (view.starts_with("\xEF\xBB\xBF")) view.remove_prefix(3);
  if (IsCleanUtf8Text(view)) return EExcelFileKind::CsvUtf8;
  if (IsCleanGbkText(view)) return EExcelFileKind::CsvGbk;
  reason = "a .csv file with binary content";
  return EExcelFileKind::Unknown;
}

}  // namespace

EExcelFileKind ExcelFileKindOf(const std::string& path, std::string& reason) {
  std::string head;
  std::uint64_t size = 0;
  if (!win32::ReadRegularFileHead(path, kHeadBytes, head, size, reason))
    return EExcelFileKind::Unknown;
  static const char kCompound[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
  if (head.starts_with(std::string_view(kCompound, 8))) return EExcelFileKind::Biff;
  if (head.starts_with(std::string_view("PK\x03\x04", 4))) return zipKind(path, reason);
  std::string_view start = head;
  if (start.starts_with("\xEF\xBB\xBF")) start.remove_prefix(3);
  while (!start.empty() && std::isspace(static_cast<unsigned char>(start.front())))
    start.remove_prefix(1);
  if (start.starts_with("<?xml")) return xmlKind(head, reason);
  return textKind(path, reason);
}

std::string ExcelImportFilter(EExcelFileKind kind) {
  // Filter names as LibreOffice knows them; a CSV also gets its options: comma, double
  // quote, character set (76 UTF-8, 67 GBK), start at line 1.
  switch (kind) {
    case EExcelFileKind::Biff:
      return "MS Excel 97";
    case EExcelFileKind::OfficeOpenXml:
      return "Calc MS Excel 2007 XML";
    case EExcelFileKind::OpenDocument:
      return "calc8";
    case EExcelFileKind::FlatOpenDocument:
      return "OpenDocument Spreadsheet Flat XML";
    case EExcelFileKind::SpreadsheetXml2003:
      return "MS Excel 2003 XML";
    case EExcelFileKind::CsvUtf8:
      return "Text - txt - csv (StarCalc):44,34,76,1";
    case EExcelFileKind::CsvGbk:
      return "Text - txt - csv (StarCalc):44,34,67,1";
    case EExcelFileKind::Unknown:
      break;
  }
  return {};
}

bool IsCleanUtf8Text(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const int extra = c < 0x80         ? 0
                      : (c >> 5) == 6  ? 1
                      : (c >> 4) == 14 ? 2
                      : (c >> 3) == 30 ? 3
                                       : -1;
    if (extra < 0 || text.size() - i <= static_cast<std::size_t>(extra)) return false;
    unsigned code = extra == 0 ? c : c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    static const unsigned kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (code < kMinimum[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) ||
        isControl(code))
      return false;
    i += static_cast<std::size_t>(extra) + 1;
  }
  return true;
}

bool IsCleanGbkText(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      if (isControl(c)) return false;
      continue;
    }
    if (c == 0x80) continue;  // the euro sign of code page 936
    if (c == 0xFF || i + 1 >= text.size()) return false;
    const auto trail = static_cast<unsigned char>(text[++i]);
    if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return false;
  }
  return true;
}
