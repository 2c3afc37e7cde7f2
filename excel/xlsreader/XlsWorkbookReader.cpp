#include "excel/xlsreader/XlsWorkbookReader.h"

#include "excel/ExcelDate.h"
#include "excel/ExcelRange.h"

#include <gsf/gsf.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string_view>

#include <iconv.h>

// The workbook stream is a sequence of records: type (16 bits), length (16 bits), data. The
// globals come first (BOF ... EOF): code page, date mode, number formats, cell formats (XF),
// the sheets with the offsets of their own BOF, the shared strings (SST, continued in
// CONTINUE records); then one substream per sheet with its cell records. Every read is
// bounds-checked: a damaged file gives an error, never a read past the data.
namespace {

enum : std::uint16_t {
  kFormula = 0x0006,
  kEof = 0x000A,
  kDateMode = 0x0022,
  kFilePass = 0x002F,
  kContinue = 0x003C,
  kCodePage = 0x0042,
  kBoundSheet = 0x0085,
  kMulRk = 0x00BD,
  kRString = 0x00D6,
  kXf = 0x00E0,
  kSst = 0x00FC,
  kLabelSst = 0x00FD,
  kNumber = 0x0203,
  kLabel = 0x0204,
  kBoolErr = 0x0205,
  kString = 0x0207,
  kRk = 0x027E,
  kFormat = 0x041E,
  kBof = 0x0809,
};

constexpr std::size_t kMaxStreamBytes = 512u << 20;

struct TRecord {
  std::uint16_t type = 0;
  std::string_view data;
};

std::uint16_t u16(std::string_view d, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(d[at]) |
                                    static_cast<unsigned char>(d[at + 1]) << 8);
}

std::uint32_t u32(std::string_view d, std::size_t at) {
  return u16(d, at) | static_cast<std::uint32_t>(u16(d, at + 2)) << 16;
}

double f64(std::string_view d, std::size_t at) {
  double value = 0;
  std::memcpy(&value, d.data() + at, sizeof value);
  return value;
}

// An RK number: a 30-bit integer or the top 30 bits of a double, maybe divided by 100.
double rkValue(std::uint32_t rk) {
  double value = 0;
  if (rk & 2) {
    value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
  } else {
    const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
    std::memcpy(&value, &bits, sizeof value);
  }
  return (rk & 1) ? value / 100 : value;
}

class CRecords {
 public:
  CRecords(std::string_view stream, std::size_t at) : m_stream(stream), m_at(at) {}

  // False at the end of the stream, or when a record runs past it (`damaged` then).
  bool Next(TRecord& record) {
    if (m_stream.size() - m_at < 4 || m_at > m_stream.size()) return false;
    const std::size_t length = u16(m_stream, m_at + 2);
    if (m_stream.size() - m_at - 4 < length) {
      m_bDamaged = true;
      return false;
    }
    record.type = u16(m_stream, m_at);
    record.data = m_stream.substr(m_at + 4, length);
    m_at += 4 + length;
    return true;
  }
  // The next record without moving past it.
  bool Peek(TRecord& record) {
    const std::size_t at = m_at;
    const bool ok = Next(record);
    m_at = at;
    return ok;
  }
  bool Damaged() const { return m_bDamaged; }

 private:
  std::string_view m_stream;
  std::size_t m_at;
  bool m_bDamaged = false;
};

void appendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// UTF-16 code units to UTF-8; a lone surrogate becomes U+FFFD.
class CUtf16Decoder {
 public:
  void Add(std::uint16_t unit, std::string& out) {
    if (m_nHigh) {
      const std::uint16_t high = m_nHigh;
      m_nHigh = 0;
      if (unit >= 0xDC00 && unit <= 0xDFFF) {
        appendUtf8(out, 0x10000 + ((high - 0xD800u) << 10) + (unit - 0xDC00u));
        return;
      }
      appendUtf8(out, 0xFFFD);
    }
    if (unit >= 0xD800 && unit <= 0xDBFF)
      m_nHigh = unit;
    else
      appendUtf8(out, unit >= 0xDC00 && unit <= 0xDFFF ? 0xFFFD : unit);
  }
  void Finish(std::string& out) {
    if (m_nHigh) appendUtf8(out, 0xFFFD);
    m_nHigh = 0;
  }

 private:
  std::uint16_t m_nHigh = 0;
};

// Bytes of a record and its CONTINUE records, read across their boundaries. Characters of a
// BIFF8 string split by a boundary resume with a new option byte (8 or 16 bits per char).
class CContinuedReader {
 public:
  void AddPart(std::string_view part) { m_parts.push_back(part); }

  bool ReadU8(std::uint8_t& value) {
    if (!Settle()) return false;
    value = static_cast<std::uint8_t>(m_parts[m_nPart][m_nAt++]);
    return true;
  }
  bool ReadU16(std::uint16_t& value) {
    std::uint8_t lo = 0, hi = 0;
    if (!ReadU8(lo) || !ReadU8(hi)) return false;
    value = static_cast<std::uint16_t>(lo | hi << 8);
    return true;
  }
  bool ReadU32(std::uint32_t& value) {
    std::uint16_t lo = 0, hi = 0;
    if (!ReadU16(lo) || !ReadU16(hi)) return false;
    value = lo | static_cast<std::uint32_t>(hi) << 16;
    return true;
  }
  bool Skip(std::size_t count) {
    while (count > 0) {
      if (!Settle()) return false;
      const std::size_t n = std::min(count, m_parts[m_nPart].size() - m_nAt);
      m_nAt += n;
      count -= n;
    }
    return true;
  }
  // A BIFF8 unicode string: count, option byte, optional run count and phonetic size.
  bool ReadString(std::string& out, bool countIsByte = false) {
    std::uint16_t count = 0;
    std::uint8_t count8 = 0;
    std::uint8_t options = 0;
    if (countIsByte ? !ReadU8(count8) : !ReadU16(count)) return false;
    if (countIsByte) count = count8;
    if (!ReadU8(options)) return false;
    std::uint16_t runs = 0;
    std::uint32_t phonetic = 0;
    if ((options & 8) && !ReadU16(runs)) return false;
    if ((options & 4) && !ReadU32(phonetic)) return false;
    bool wide = options & 1;
    CUtf16Decoder decoder;
    out.clear();
    for (std::uint16_t i = 0; i < count; ++i) {
      if (m_nAt == m_parts[m_nPart].size() && m_nPart + 1 < m_parts.size()) {
        ++m_nPart;  // the characters continue in the next record, after a new option byte
        m_nAt = 0;
        std::uint8_t resumed = 0;
        if (!ReadU8(resumed)) return false;
        wide = resumed & 1;
      }
      std::uint16_t unit = 0;
      std::uint8_t narrow = 0;
      if (wide ? !ReadU16(unit) : !ReadU8(narrow)) return false;
      decoder.Add(wide ? unit : narrow, out);
    }
    decoder.Finish(out);
    return Skip(4u * runs) && Skip(phonetic);
  }

 private:
  // Moves to the next part when the current one is used up; false at the very end.
  bool Settle() {
    while (m_nPart < m_parts.size() && m_nAt >= m_parts[m_nPart].size()) {
      ++m_nPart;
      m_nAt = 0;
    }
    return m_nPart < m_parts.size();
  }

  std::vector<std::string_view> m_parts;
  std::size_t m_nPart = 0;
  std::size_t m_nAt = 0;
};

// An 8-bit string of an Excel 5 file, in the workbook's code page, to UTF-8.
std::string fromCodePage(std::string_view bytes, int codePage) {
  static const std::map<int, const char*> kNames = {
      {367, "ASCII"},       {437, "CP437"},    {932, "CP932"},   {936, "GBK"},
      {949, "CP949"},       {950, "BIG5"},     {1250, "CP1250"}, {1251, "CP1251"},
      {1252, "CP1252"},     {1253, "CP1253"},  {1254, "CP1254"}, {1255, "CP1255"},
      {1256, "CP1256"},     {1257, "CP1257"},  {1258, "CP1258"}, {10000, "MACINTOSH"},
      {32768, "MACINTOSH"}, {32769, "CP1252"}, {65001, "UTF-8"}};
  const auto name = kNames.find(codePage);
  iconv_t cd = iconv_open("UTF-8", name != kNames.end() ? name->second : "CP1252");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(bytes);
  std::string out(bytes.size() * 4 + 4, '\0');
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  char* outPtr = out.data();
  std::size_t outLeft = out.size();
  while (inLeft > 0 && ::iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) {
    if (outLeft < 3) break;
    ++in;  // an unmapped byte becomes U+FFFD
    --inLeft;
    std::memcpy(outPtr, "\xEF\xBF\xBD", 3);
    outPtr += 3;
    outLeft -= 3;
  }
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

const char* errorText(std::uint8_t code) {
  switch (code) {
    case 0x00:
      return "#NULL!";
    case 0x07:
      return "#DIV/0!";
    case 0x0F:
      return "#VALUE!";
    case 0x17:
      return "#REF!";
    case 0x1D:
      return "#NAME?";
    case 0x24:
      return "#NUM!";
    case 0x2A:
      return "#N/A";
    default:
      return "#N/A";
  }
}

struct TGsfUnref {
  void operator()(void* object) const {
    if (object) g_object_unref(object);
  }
};
template <typename T>
using GsfPtr = std::unique_ptr<T, TGsfUnref>;

bool readStream(const std::string& path, std::string& stream, std::string& error) {
  gsf_init();
  GError* gerror = nullptr;
  GsfPtr<GsfInput> input(gsf_input_stdio_new(path.c_str(), &gerror));
  GsfPtr<GsfInfile> ole(input ? gsf_infile_msole_new(input.get(), &gerror) : nullptr);
  if (gerror) g_error_free(gerror);
  if (!ole) {
    error = "not a readable compound document";
    return false;
  }
  GsfPtr<GsfInput> book;
  for (const char* name : {"Workbook", "WORKBOOK", "workbook", "Book", "BOOK"}) {
    if (!book) book.reset(gsf_infile_child_by_name(ole.get(), name));
  }
  if (!book) {
    error = "a compound document without a workbook stream (not an .xls workbook)";
    return false;
  }
  const gsf_off_t size = gsf_input_size(book.get());
  if (size < 0 || static_cast<std::uint64_t>(size) > kMaxStreamBytes) {
    error = "the workbook stream is too large";
    return false;
  }
  stream.assign(static_cast<std::size_t>(size), '\0');
  if (size > 0 && !gsf_input_read(book.get(), static_cast<std::size_t>(size),
                                  reinterpret_cast<guint8*>(stream.data()))) {
    error = "the workbook stream cannot be read (the file is damaged)";
    return false;
  }
  return true;
}

}  // namespace

void CXlsWorkbookReader::Read(const std::string& path, CExcelXlsReport& report) {
  std::string error;
  const auto step = [&](bool ok) {
    report.AddStep(ok ? std::string() : error);
    return ok;
  };
  step(Open(path, error)) && step(Worksheets(error)) && step(FirstSheet(error)) &&
      step(Cells(report, error));
}

bool CXlsWorkbookReader::Open(const std::string& path, std::string& error) {
  if (!readStream(path, m_sStream, error)) return false;
  CRecords records(m_sStream, 0);
  TRecord bof;
  if (!records.Next(bof) || bof.type != kBof || bof.data.size() < 4) {
    error = "the workbook stream does not start with a BOF record (BIFF 5 or later expected)";
    return false;
  }
  const std::uint16_t version = u16(bof.data, 0);
  if (version != 0x0600 && version != 0x0500) {
    error = "an .xls format older than Excel 5 (BIFF version " + std::to_string(version) + ")";
    return false;
  }
  m_bBiff8 = version == 0x0600;
  return true;
}

bool CXlsWorkbookReader::Worksheets(std::string& error) {
  CRecords records(m_sStream, 0);
  TRecord record;
  records.Next(record);  // BOF
  std::map<int, std::string> formats;
  std::vector<int> xfFormats;
  CContinuedReader sst;
  bool haveSst = false;
  while (records.Next(record) && record.type != kEof) {
    const std::string_view d = record.data;
    switch (record.type) {
      case kFilePass:
        error = "the workbook is password protected";
        return false;
      case kCodePage:
        if (d.size() >= 2) m_nCodePage = u16(d, 0);
        break;
      case kDateMode:
        if (d.size() >= 2) m_bDate1904 = u16(d, 0) == 1;
        break;
      case kFormat:
        if (m_bBiff8 && d.size() >= 5) {
          CContinuedReader reader;
          reader.AddPart(d.substr(2));
          std::string code;
          if (reader.ReadString(code)) formats[u16(d, 0)] = code;
        } else if (!m_bBiff8 && d.size() >= 3 &&
                   d.size() >= 3u + static_cast<unsigned char>(d[2])) {
          formats[u16(d, 0)] =
              fromCodePage(d.substr(3, static_cast<unsigned char>(d[2])), m_nCodePage);
        }
        break;
      case kXf:
        if (d.size() >= 4) xfFormats.push_back(u16(d, 2));
        break;
      case kBoundSheet:
        // Worksheets only (type 0), in tab order; charts and macro sheets are passed over.
        if (d.size() >= 6 && static_cast<unsigned char>(d[5]) == 0)
          m_vecWorksheetOffsets.push_back(u32(d, 0));
        break;
      case kSst: {
        haveSst = true;
        sst.AddPart(d);
        TRecord next;
        while (records.Peek(next) && next.type == kContinue) {
          records.Next(next);
          sst.AddPart(next.data);
        }
        break;
      }
      default:
        break;
    }
  }
  if (records.Damaged()) {
    error = "the workbook's globals are cut short (the file is damaged)";
    return false;
  }
  for (int format : xfFormats) {
    const auto custom = formats.find(format);
    const std::string code = custom != formats.end() ? custom->second : BuiltinExcelFormat(format);
    m_vecDateFormats.push_back(IsExcelDateFormat(code) ? code : std::string());
  }
  if (haveSst) {
    std::uint32_t total = 0, unique = 0;
    sst.ReadU32(total);
    sst.ReadU32(unique);
    std::string text;
    for (std::uint32_t i = 0; i < unique && sst.ReadString(text); ++i)
      m_vecSharedStrings.push_back(text);
  }
  if (m_vecWorksheetOffsets.empty()) {
    error = "the workbook has no worksheet";
    return false;
  }
  return true;
}

bool CXlsWorkbookReader::FirstSheet(std::string& error) {
  m_nSheetOffset = m_vecWorksheetOffsets.front();
  CRecords records(m_sStream, m_nSheetOffset);
  TRecord bof;
  if (!records.Next(bof) || bof.type != kBof) {
    error = "the first worksheet is missing from the workbook stream";
    return false;
  }
  return true;
}

bool CXlsWorkbookReader::Cells(CExcelXlsReport& report, std::string& error) {
  const auto number = [&](std::uint32_t row, std::uint32_t column, std::uint16_t xf, double v) {
    std::string text;
    if (xf < m_vecDateFormats.size() && !m_vecDateFormats[xf].empty())
      text = FormatExcelDate(v, m_vecDateFormats[xf], m_bDate1904);
    report.AddCell(row, column, text.empty() ? ExcelNumberText(v) : text);
  };
  // A string of a cell record: BIFF8 unicode string, or (Excel 5) 16-bit count and bytes.
  const auto cellString = [&](std::string_view d, std::string& text) {
    if (m_bBiff8) {
      CContinuedReader reader;
      reader.AddPart(d);
      return reader.ReadString(text);
    }
    if (d.size() < 2 || d.size() - 2 < u16(d, 0)) return false;
    text = fromCodePage(d.substr(2, u16(d, 0)), m_nCodePage);
    return true;
  };

  CRecords records(m_sStream, m_nSheetOffset);
  TRecord record;
  records.Next(record);  // BOF
  while (records.Next(record) && record.type != kEof) {
    const std::string_view d = record.data;
    if (d.size() < 6) continue;
    const std::uint32_t row = u16(d, 0);
    const std::uint32_t column = u16(d, 2);
    const std::uint16_t xf = u16(d, 4);
    std::string text;
    switch (record.type) {
      case kNumber:
        if (d.size() >= 14) number(row, column, xf, f64(d, 6));
        break;
      case kRk:
        if (d.size() >= 10) number(row, column, xf, rkValue(u32(d, 6)));
        break;
      case kMulRk:
        // row, first column, (xf, rk) per column, last column.
        for (std::size_t at = 4, c = column; at + 6 <= d.size() - 2; at += 6, ++c)
          number(row, static_cast<std::uint32_t>(c), u16(d, at), rkValue(u32(d, at + 2)));
        break;
      case kLabelSst:
        if (d.size() >= 10 && u32(d, 6) < m_vecSharedStrings.size())
          report.AddCell(row, column, m_vecSharedStrings[u32(d, 6)]);
        break;
      case kLabel:
      case kRString:
        if (cellString(d.substr(6), text)) report.AddCell(row, column, text);
        break;
      case kBoolErr:
        if (d.size() >= 8)
          report.AddCell(
              row, column,
              d[7] ? errorText(static_cast<std::uint8_t>(d[6])) : (d[6] ? "TRUE" : "FALSE"));
        break;
      case kFormula: {
        if (d.size() < 14) break;
        // The cached result: a double, or a tagged value when its last two bytes are 0xFFFF.
        if (u16(d, 12) != 0xFFFF) {
          number(row, column, xf, f64(d, 6));
          break;
        }
        const auto kind = static_cast<unsigned char>(d[6]);
        const auto value = static_cast<unsigned char>(d[8]);
        if (kind == 1) {
          report.AddCell(row, column, value ? "TRUE" : "FALSE");
        } else if (kind == 2) {
          report.AddCell(row, column, errorText(value));
        } else if (kind == 0) {
          // A text result follows in a STRING record (after any shared-formula records).
          TRecord next;
          while (records.Peek(next) && next.type != kString && next.type != kEof &&
                 (next.type == 0x04BC || next.type == 0x0221 || next.type == 0x0236))
            records.Next(next);
          if (records.Peek(next) && next.type == kString) {
            records.Next(next);
            if (cellString(next.data, text)) report.AddCell(row, column, text);
          }
        }
        break;
      }
      default:
        break;
    }
  }
  if (records.Damaged()) {
    error = "the first worksheet is cut short (the file is damaged)";
    report.Cells().clear();
    return false;
  }
  return true;
}
