#include "excel/ExcelXlsx.h"

#include "excel/ExcelDate.h"
#include "excel/ExcelRange.h"
#include "excel/ExcelSharedStrings.h"
#include "excel/ExcelSheetSink.h"
#include "excel/ExcelXmlStream.h"

#include <tinyxml2.h>
#include <zip.h>

#include <cstring>

namespace {

// A part bigger than this is refused rather than inflated (a zip bomb would exhaust memory).
constexpr zip_uint64_t kMaxPartBytes = 128u << 20;
// A sheet or shared-strings part is streamed: memory follows the cells kept, so only the
// time a zip bomb would cost bounds it.
constexpr zip_uint64_t kMaxStreamedPartBytes = 2048ull << 20;

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
  CSharedStringsSink sink(m_vecSharedStrings);
  return StreamPart(m_sSharedStringsPart, sink, error);
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

bool CExcelXlsxBook::StreamPart(const std::string& name, IXmlSink& sink, std::string& error) const {
  const zip_int64_t index = zip_name_locate(m_pZip, name.c_str(), ZIP_FL_NOCASE);
  zip_file_t* file = index < 0 ? nullptr : zip_fopen_index(m_pZip, index, 0);
  if (!file) {
    error = index < 0 ? "the part " + name + " is missing"
                      : "cannot open the part " + name + ": " + zip_strerror(m_pZip);
    return false;
  }
  CXmlStream stream(sink);
  char buffer[65536];
  zip_int64_t got = 0;
  zip_uint64_t total = 0;
  bool ok = true;
  while (ok && (got = zip_fread(file, buffer, sizeof buffer)) > 0) {
    total += static_cast<zip_uint64_t>(got);
    if (total > kMaxStreamedPartBytes) {
      error = "the part " + name + " is too large";
      ok = false;
    } else {
      ok = stream.Feed(buffer, static_cast<std::size_t>(got), false, error);
    }
  }
  if (ok && got < 0) {
    error = "cannot read the part " + name + ": " + zip_file_strerror(file);
    ok = false;
  }
  ok = ok && stream.Feed(nullptr, 0, true, error);
  zip_fclose(file);
  if (!ok && error.find(name) == std::string::npos) error += " in " + name;
  return ok;
}

bool CExcelXlsxBook::ReadUsedRange(CExcelRange& range, std::string& error) {
  if (!LoadSharedStrings(error) || !LoadCellFormats(error)) return false;
  CSheetSink sink(m_vecSharedStrings, m_vecDateFormats, m_bDate1904, range);
  return StreamPart(m_sSheetPart, sink, error);
}
