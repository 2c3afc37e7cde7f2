#include "wechat/ExcelXlsx.h"

#include "wechat/ExcelDate.h"
#include "wechat/ExcelRange.h"

#include <tinyxml2.h>
#include <zip.h>

#include <charconv>
#include <cstring>

namespace {

// A part bigger than this is refused rather than inflated (a zip bomb would exhaust memory).
constexpr zip_uint64_t kMaxPartBytes = 128u << 20;
constexpr std::uint32_t kMaxRows = 1048576;
constexpr std::uint32_t kMaxColumns = 16384;

const char* localName(const char* name) {
  const char* colon = std::strrchr(name, ':');
  return colon ? colon + 1 : name;
}

bool isNamed(const tinyxml2::XMLElement* element, const char* name) {
  return std::strcmp(localName(element->Name()), name) == 0;
}

// Children of `parent` with the local name `name`, whatever namespace prefix the writer used.
template <typename Visit>
void forEachChild(const tinyxml2::XMLElement* parent, const char* name, Visit visit) {
  for (auto* child = parent->FirstChildElement(); child; child = child->NextSiblingElement()) {
    if (isNamed(child, name)) visit(child);
  }
}

const tinyxml2::XMLElement* firstChild(const tinyxml2::XMLElement* parent, const char* name) {
  for (auto* child = parent->FirstChildElement(); child; child = child->NextSiblingElement()) {
    if (isNamed(child, name)) return child;
  }
  return nullptr;
}

// The relationship id of a <sheet>: "r:id" in transitional files, any "<prefix>:id" elsewhere.
const char* relationshipId(const tinyxml2::XMLElement* sheet) {
  for (auto* attr = sheet->FirstAttribute(); attr; attr = attr->Next()) {
    const char* colon = std::strchr(attr->Name(), ':');
    if (colon && std::strcmp(colon + 1, "id") == 0) return attr->Value();
  }
  return nullptr;
}

bool endsWith(const std::string& text, const char* suffix) {
  const std::size_t n = std::strlen(suffix);
  return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

std::string folderOf(const std::string& part) {
  const std::size_t slash = part.rfind('/');
  return slash == std::string::npos ? "" : part.substr(0, slash + 1);
}

// Resolves a relationship target against the folder of its source part ("/x" is absolute),
// folding "." and ".." so that the name matches the zip entry.
std::string resolveTarget(const std::string& sourceFolder, const std::string& target) {
  const std::string joined = target.starts_with('/') ? target.substr(1) : sourceFolder + target;
  std::vector<std::string> segments;
  std::size_t start = 0;
  while (start <= joined.size()) {
    std::size_t end = joined.find('/', start);
    if (end == std::string::npos) end = joined.size();
    const std::string segment = joined.substr(start, end - start);
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    start = end + 1;
  }
  std::string resolved;
  for (const std::string& segment : segments) resolved += (resolved.empty() ? "" : "/") + segment;
  return resolved;
}

bool parseXml(tinyxml2::XMLDocument& doc, const std::string& content, const std::string& part,
              std::string& error) {
  if (doc.Parse(content.data(), content.size()) != tinyxml2::XML_SUCCESS || !doc.RootElement()) {
    error = "malformed XML in " + part;
    return false;
  }
  return true;
}

// Relationships of a .rels part: id -> (type, resolved target).
struct TRelationship {
  std::string type;
  std::string target;
};

std::map<std::string, TRelationship> parseRelationships(const tinyxml2::XMLDocument& doc,
                                                        const std::string& sourceFolder) {
  std::map<std::string, TRelationship> rels;
  forEachChild(doc.RootElement(), "Relationship", [&](const tinyxml2::XMLElement* rel) {
    const char* id = rel->Attribute("Id");
    const char* type = rel->Attribute("Type");
    const char* target = rel->Attribute("Target");
    const char* mode = rel->Attribute("TargetMode");
    if (id && type && target && !(mode && std::strcmp(mode, "External") == 0))
      rels[id] = {type, resolveTarget(sourceFolder, target)};
  });
  return rels;
}

// Text of a string item (<si> or <is>): a plain <t>, or the <t> of each rich-text run.
// Phonetic runs (<rPh>) are reading aids, not part of the text.
std::string stringItemText(const tinyxml2::XMLElement* item) {
  std::string text;
  for (auto* child = item->FirstChildElement(); child; child = child->NextSiblingElement()) {
    if (isNamed(child, "t")) {
      text += child->GetText() ? child->GetText() : "";
    } else if (isNamed(child, "r")) {
      if (const auto* t = firstChild(child, "t")) text += t->GetText() ? t->GetText() : "";
    }
  }
  return DecodeExcelEscapes(text);
}

bool isHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

void appendUtf8(std::string& out, unsigned code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// "A1" -> row 0, column 0. False for anything else, or beyond the sheet's limits.
bool parseCellReference(const char* ref, std::uint32_t& row, std::uint32_t& column) {
  std::uint32_t col = 0;
  const char* p = ref;
  for (; (*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z'); ++p) {
    col = col * 26 + static_cast<std::uint32_t>((*p | 0x20) - 'a' + 1);
    if (col > kMaxColumns) return false;
  }
  std::uint32_t r = 0;
  const char* end = ref + std::strlen(ref);
  const auto [rest, ec] = std::from_chars(p, end, r);
  if (col == 0 || ec != std::errc() || rest != end || r == 0 || r > kMaxRows) return false;
  row = r - 1;
  column = col - 1;
  return true;
}

bool parseNumber(const char* text, double& value) {
  const char* end = text + std::strlen(text);
  const auto [rest, ec] = std::from_chars(text, end, value);
  return ec == std::errc() && rest == end;
}

}  // namespace

std::string DecodeExcelEscapes(const std::string& text) {
  // OOXML writes characters XML cannot hold as "_xHHHH_" (e.g. "_x000D_" for a CR).
  if (text.find("_x") == std::string::npos) return text;
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '_' && i + 6 < text.size() && text[i + 1] == 'x' && text[i + 6] == '_' &&
        isHexDigit(text[i + 2]) && isHexDigit(text[i + 3]) && isHexDigit(text[i + 4]) &&
        isHexDigit(text[i + 5])) {
      const auto code = static_cast<unsigned>(std::stoul(text.substr(i + 2, 4), nullptr, 16));
      if (code >= 0xD800 && code <= 0xDFFF)
        appendUtf8(out, 0xFFFD);  // a lone surrogate has no UTF-8 form
      else
        appendUtf8(out, code);
      i += 6;
    } else {
      out += text[i];
    }
  }
  return out;
}

CExcelXlsxBook::~CExcelXlsxBook() {
  if (m_pZip) zip_discard(m_pZip);
}

bool CExcelXlsxBook::ReadPart(const std::string& name, std::string& content,
                              std::string& error) const {
  const zip_int64_t index = zip_name_locate(m_pZip, name.c_str(), ZIP_FL_NOCASE);
  zip_stat_t stat;
  if (index < 0 || zip_stat_index(m_pZip, static_cast<zip_uint64_t>(index), 0, &stat) != 0) {
    error = "the part " + name + " is missing";
    return false;
  }
  if ((stat.valid & ZIP_STAT_SIZE) && stat.size > kMaxPartBytes) {
    error = "the part " + name + " is too large";
    return false;
  }
  zip_file_t* file = zip_fopen_index(m_pZip, static_cast<zip_uint64_t>(index), 0);
  if (!file) {
    error = "cannot open the part " + name + ": " + zip_strerror(m_pZip);
    return false;
  }
  content.clear();
  char buffer[65536];
  zip_int64_t got = 0;
  while ((got = zip_fread(file, buffer, sizeof buffer)) > 0) {
    content.append(buffer, static_cast<std::size_t>(got));
    if (content.size() > kMaxPartBytes) break;
  }
  const bool ok = got == 0 && content.size() <= kMaxPartBytes;
  if (!ok) error = "cannot read the part " + name + ": " + zip_file_strerror(file);
  zip_fclose(file);
  return ok;
}

bool CExcelXlsxBook::Open(const std::string& path, std::string& error) {
  int code = 0;
  m_pZip = zip_open(path.c_str(), ZIP_RDONLY, &code);
  if (!m_pZip) {
    zip_error_t zerr;
    zip_error_init_with_code(&zerr, code);
    error = std::string("not a readable zip container: ") + zip_error_strerror(&zerr);
    zip_error_fini(&zerr);
    return false;
  }
  // The package relationships name the workbook; older writers may omit them.
  m_sWorkbookPart = "xl/workbook.xml";
  std::string content;
  tinyxml2::XMLDocument doc;
  if (ReadPart("_rels/.rels", content, error) && parseXml(doc, content, "_rels/.rels", error)) {
    for (const auto& [id, rel] : parseRelationships(doc, "")) {
      if (endsWith(rel.type, "/officeDocument")) m_sWorkbookPart = rel.target;
    }
  }
  if (zip_name_locate(m_pZip, m_sWorkbookPart.c_str(), ZIP_FL_NOCASE) < 0) {
    error = "a zip file without a workbook part (not an .xlsx workbook)";
    return false;
  }
  error.clear();
  return true;
}

bool CExcelXlsxBook::LoadWorksheets(std::string& error) {
  const std::string relsPart = folderOf(m_sWorkbookPart) + "_rels/" +
                               m_sWorkbookPart.substr(folderOf(m_sWorkbookPart).size()) + ".rels";
  std::string content;
  tinyxml2::XMLDocument relsDoc;
  if (!ReadPart(relsPart, content, error) || !parseXml(relsDoc, content, relsPart, error))
    return false;
  const auto rels = parseRelationships(relsDoc, folderOf(m_sWorkbookPart));
  for (const auto& [id, rel] : rels) {
    if (endsWith(rel.type, "/sharedStrings"))
      m_sSharedStringsPart = rel.target;
    else if (endsWith(rel.type, "/styles"))
      m_sStylesPart = rel.target;
  }

  tinyxml2::XMLDocument doc;
  if (!ReadPart(m_sWorkbookPart, content, error) || !parseXml(doc, content, m_sWorkbookPart, error))
    return false;
  if (const auto* pr = firstChild(doc.RootElement(), "workbookPr")) {
    const char* date1904 = pr->Attribute("date1904");
    m_bDate1904 =
        date1904 && (std::strcmp(date1904, "1") == 0 || std::strcmp(date1904, "true") == 0);
  }
  // Chart and dialog sheets are not worksheets, as in the Worksheets collection.
  if (const auto* sheets = firstChild(doc.RootElement(), "sheets")) {
    forEachChild(sheets, "sheet", [&](const tinyxml2::XMLElement* sheet) {
      const char* id = relationshipId(sheet);
      const auto rel = id ? rels.find(id) : rels.end();
      if (rel != rels.end() && endsWith(rel->second.type, "/worksheet"))
        m_vecWorksheetParts.push_back(rel->second.target);
    });
  }
  if (m_vecWorksheetParts.empty()) {
    error = "the workbook lists no worksheet";
    return false;
  }
  return true;
}

bool CExcelXlsxBook::SelectFirstSheet(std::string& error) {
  m_sSheetPart = m_vecWorksheetParts.front();
  if (zip_name_locate(m_pZip, m_sSheetPart.c_str(), ZIP_FL_NOCASE) < 0) {
    error = "the first worksheet's part " + m_sSheetPart + " is missing";
    return false;
  }
  return true;
}

bool CExcelXlsxBook::LoadSharedStrings(std::string& error) {
  if (m_sSharedStringsPart.empty()) return true;  // a workbook without text cells may have none
  std::string content;
  tinyxml2::XMLDocument doc;
  if (!ReadPart(m_sSharedStringsPart, content, error) ||
      !parseXml(doc, content, m_sSharedStringsPart, error))
    return false;
  forEachChild(doc.RootElement(), "si", [&](const tinyxml2::XMLElement* item) {
    m_vecSharedStrings.push_back(stringItemText(item));
  });
  return true;
}

bool CExcelXlsxBook::LoadCellFormats(std::string& error) {
  if (m_sStylesPart.empty()) return true;
  std::string content;
  tinyxml2::XMLDocument doc;
  if (!ReadPart(m_sStylesPart, content, error) || !parseXml(doc, content, m_sStylesPart, error))
    return false;
  std::map<int, std::string> customFormats;
  if (const auto* numFmts = firstChild(doc.RootElement(), "numFmts")) {
    forEachChild(numFmts, "numFmt", [&](const tinyxml2::XMLElement* format) {
      const char* code = format->Attribute("formatCode");
      customFormats[format->IntAttribute("numFmtId", -1)] = code ? code : "";
    });
  }
  if (const auto* cellXfs = firstChild(doc.RootElement(), "cellXfs")) {
    forEachChild(cellXfs, "xf", [&](const tinyxml2::XMLElement* xf) {
      const int id = xf->IntAttribute("numFmtId", 0);
      const auto custom = customFormats.find(id);
      const std::string code =
          custom != customFormats.end() ? custom->second : BuiltinExcelFormat(id);
      m_vecDateFormats.push_back(IsExcelDateFormat(code) ? code : std::string());
    });
  }
  return true;
}

namespace {

// Reads the cells of one <row> into `range`.
class CSheetCellReader {
 public:
  CSheetCellReader(const std::vector<std::string>& sharedStrings,
                   const std::vector<std::string>& dateFormats, bool date1904)
      : m_sharedStrings(sharedStrings), m_dateFormats(dateFormats), m_bDate1904(date1904) {}

  bool ReadRow(const tinyxml2::XMLElement* row, std::uint32_t rowIndex, CExcelRange& range,
               std::string& error) {
    std::uint32_t nextColumn = 0;
    for (auto* cell = row->FirstChildElement(); cell; cell = cell->NextSiblingElement()) {
      if (!isNamed(cell, "c")) continue;
      std::uint32_t cellRow = rowIndex;
      std::uint32_t column = nextColumn;
      const char* ref = cell->Attribute("r");
      if (ref && !parseCellReference(ref, cellRow, column)) {
        error = std::string("bad cell reference \"") + ref + "\"";
        return false;
      }
      if (column >= kMaxColumns) {
        error = "a row has more cells than a sheet can hold";
        return false;
      }
      std::string text;
      if (!CellText(cell, text, error)) return false;
      range.Add(cellRow, column, std::move(text));
      nextColumn = column + 1;
    }
    return true;
  }

 private:
  bool CellText(const tinyxml2::XMLElement* cell, std::string& text, std::string& error) const {
    const char* type = cell->Attribute("t");
    const std::string kind = type ? type : "n";
    if (kind == "inlineStr") {
      const auto* is = firstChild(cell, "is");
      text = is ? stringItemText(is) : "";
      return true;
    }
    const auto* v = firstChild(cell, "v");
    const char* raw = v && v->GetText() ? v->GetText() : nullptr;
    if (!raw) {
      text.clear();
      return true;
    }
    if (kind == "s") return SharedString(raw, text, error);
    if (kind == "b") {
      text = std::strcmp(raw, "1") == 0 || std::strcmp(raw, "true") == 0 ? "TRUE" : "FALSE";
      return true;
    }
    if (kind == "n") return NumberText(raw, cell->IntAttribute("s", 0), text, error);
    text = DecodeExcelEscapes(raw);  // "str" (formula text), "e" (error), "d" (ISO date)
    return true;
  }

  bool SharedString(const char* raw, std::string& text, std::string& error) const {
    std::size_t index = 0;
    const char* end = raw + std::strlen(raw);
    const auto [rest, ec] = std::from_chars(raw, end, index);
    if (ec != std::errc() || rest != end || index >= m_sharedStrings.size()) {
      error = std::string("shared string \"") + raw + "\" does not exist";
      return false;
    }
    text = m_sharedStrings[index];
    return true;
  }

  bool NumberText(const char* raw, int style, std::string& text, std::string& error) const {
    double value = 0;
    if (!parseNumber(raw, value)) {
      error = std::string("bad number \"") + raw + "\"";
      return false;
    }
    if (style >= 0 && static_cast<std::size_t>(style) < m_dateFormats.size() &&
        !m_dateFormats[style].empty()) {
      text = FormatExcelDate(value, m_dateFormats[style], m_bDate1904);
      if (!text.empty()) return true;
    }
    text = ExcelNumberText(value);
    return true;
  }

  const std::vector<std::string>& m_sharedStrings;
  const std::vector<std::string>& m_dateFormats;
  bool m_bDate1904;
};

}  // namespace

bool CExcelXlsxBook::ReadUsedRange(CExcelRange& range, std::string& error) {
  if (!LoadSharedStrings(error) || !LoadCellFormats(error)) return false;
  std::string content;
  tinyxml2::XMLDocument doc;
  if (!ReadPart(m_sSheetPart, content, error) || !parseXml(doc, content, m_sSheetPart, error))
    return false;
  content = std::string();  // the DOM holds its own copy; free the raw text early
  const auto* sheetData = firstChild(doc.RootElement(), "sheetData");
  if (!sheetData) return true;  // an empty sheet
  CSheetCellReader reader(m_vecSharedStrings, m_vecDateFormats, m_bDate1904);
  std::uint32_t nextRow = 0;
  for (auto* row = sheetData->FirstChildElement(); row; row = row->NextSiblingElement()) {
    if (!isNamed(row, "row")) continue;
    std::uint32_t rowIndex = nextRow;
    const unsigned number = row->UnsignedAttribute("r", 0);
    if (number > kMaxRows) {
      error = "a row number beyond the sheet's limits";
      return false;
    }
    if (number > 0) rowIndex = number - 1;
    if (!reader.ReadRow(row, rowIndex, range, error)) return false;
    nextRow = rowIndex + 1;
  }
  return true;
}
