#include "excel/ExcelReader.h"

#include "excel/ExcelBook.h"
#include "excel/ExcelCsv.h"
#include "excel/ExcelFileKind.h"
#include "excel/ExcelOffice.h"
#include "excel/ExcelRange.h"
#include "excel/ExcelXls.h"
#include "excel/ExcelXlsx.h"
#include "platform/log/Log.h"
#include "platform/win32/Files.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <exception>
#include <memory>

namespace {

// LibreOffice takes 1-5 s for a small sheet; a minute means it hangs.
constexpr int kSofficeTimeoutMs = 60000;
constexpr std::size_t kMaxCsvBytes = 128u << 20;
// LibreOffice takes about a minute for 300 MB; larger inputs are refused before it starts.
constexpr std::uint64_t kMaxSofficeInputBytes = 64u << 20;
constexpr std::size_t kMaxErrorText = 256;

// What a reader needs from its spreadsheet program: starting it, its workbooks, and the
// book for a file.
class IExcelApplication {
 public:
  virtual ~IExcelApplication() = default;
  virtual bool Create(std::string& error) = 0;
  virtual bool OpenWorkbooks(std::string& error) = 0;
  virtual std::unique_ptr<IExcelBook> OpenBook(const std::string& path, std::string& error) = 0;
};

// Reads the file in process: zip containers as .xlsx, compound documents as .xls.
class CBuiltinApplication : public IExcelApplication {
 public:
  bool Create(std::string&) override { return true; }
  bool OpenWorkbooks(std::string&) override { return true; }

  std::unique_ptr<IExcelBook> OpenBook(const std::string& path, std::string& error) override {
    std::unique_ptr<IExcelBook> book = BookFor(path, error);
    if (book && !book->Open(path, error)) book.reset();
    return book;
  }

 private:
  static std::unique_ptr<IExcelBook> BookFor(const std::string& path, std::string& error) {
    std::string reason;
    switch (ExcelFileKindOf(path, reason)) {
      case EExcelFileKind::OfficeOpenXml:
        return std::make_unique<CExcelXlsxBook>();
      case EExcelFileKind::Biff:
        return std::make_unique<CExcelXlsBook>();
      default:
        error = "\"" + path + "\" is neither an .xlsx nor an .xls workbook" +
                (reason.empty() ? "" : ": " + reason);
        return nullptr;
    }
  }
};

// The CSV that LibreOffice made of the file.
class CCsvBook : public IExcelBook {
 public:
  CCsvBook(std::string program, std::string workFolder)
      : m_sProgram(std::move(program)), m_sWorkFolder(std::move(workFolder)) {}

  // Only files that are spreadsheets by their bytes, and not too large, reach the program,
  // each with the import filter of its kind.
  bool Open(const std::string& path, std::string& error) override {
    std::string head;
    std::uint64_t size = 0;
    if (!win32::ReadRegularFileHead(path, 0, head, size, error)) return false;
    if (size > kMaxSofficeInputBytes) {
      error = "\"" + path + "\" is too large for the spreadsheet program (" + std::to_string(size) +
              " bytes)";
      return false;
    }
    std::string reason;
    const EExcelFileKind kind = ExcelFileKindOf(path, reason);
    if (kind == EExcelFileKind::Unknown) {
      error = "\"" + path + "\" is no spreadsheet: " + reason;
      return false;
    }
    return ConvertWithSoffice(m_sProgram, path, ExcelImportFilter(kind), m_sWorkFolder,
                              kSofficeTimeoutMs, m_sCsvPath, error);
  }

  bool LoadWorksheets(std::string& error) override {
    std::ifstream file(m_sCsvPath, std::ios::binary);
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    if (!file || size < 0 || static_cast<std::size_t>(size) > kMaxCsvBytes) {
      error = "cannot read the converted sheet " + m_sCsvPath;
      return false;
    }
    file.seekg(0);
    m_sCsv.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    // What comes out of a real sheet is text; control bytes or broken characters mean the
    // program read something that was no spreadsheet.
    std::string_view text = m_sCsv;
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    if (!IsCleanUtf8Text(text)) {
      error = "the spreadsheet program's result holds binary data; the file is no spreadsheet";
      return false;
    }
    return true;
  }

  bool SelectFirstSheet(std::string&) override { return true; }  // only the first was exported

  bool ReadUsedRange(CExcelRange& range, std::string&) override {
    ParseExcelCsv(m_sCsv, range);
    return true;
  }

 private:
  std::string m_sProgram;
  std::string m_sWorkFolder;
  std::string m_sCsvPath;
  std::string m_sCsv;
};

// Hands the file to LibreOffice; the temporary folder lives as long as the application.
class CSofficeApplication : public IExcelApplication {
 public:
  bool Create(std::string& error) override {
    m_sProgram = FindSofficeProgram();
    if (m_sProgram.empty()) error = "no spreadsheet program (soffice or libreoffice) on PATH";
    return !m_sProgram.empty();
  }

  bool OpenWorkbooks(std::string& error) override { return m_folder.Create(error); }

  std::unique_ptr<IExcelBook> OpenBook(const std::string& path, std::string& error) override {
    auto book = std::make_unique<CCsvBook>(m_sProgram, m_folder.Path());
    if (!book->Open(path, error)) book.reset();
    return book;
  }

 private:
  std::string m_sProgram;
  CExcelTempFolder m_folder;
};

// Logs a failed step: the reader's own line, then the reason.
void logFailure(const std::string& prefix, const char* line, const std::string& path,
                const std::string& reason) {
  TC_LOG(TC_LOG_INFO, prefix << line);
  TC_LOG(TC_LOG_WARN, prefix << "reading \"" << path << "\" stopped: " << reason);
}

// Walks the steps of one reader; returns the used range or nothing.
bool readRange(IExcelApplication& app, const std::string& prefix, const std::string& path,
               CExcelRange& range) {
  std::string error;
  if (!app.Create(error)) {
    TC_LOGF(TC_LOG_INFO, "%s读取excel失败：创建excel应用失败:%s", prefix.c_str(),
            error.substr(0, kMaxErrorText).c_str());
    return false;
  }
  TC_LOG(TC_LOG_INFO, prefix << "读取excel[1/7]：创建excel应用成功");
  if (!app.OpenWorkbooks(error)) {
    logFailure(prefix, "读取excel失败：创建workbooks失败", path, error);
    return false;
  }
  TC_LOG(TC_LOG_INFO, prefix << "读取excel[2/7]：创建workbooks成功");
  std::unique_ptr<IExcelBook> book = app.OpenBook(path, error);
  if (!book) {
    logFailure(prefix, "读取excel失败：打开excel失败", path, error);
    return false;
  }
  TC_LOG(TC_LOG_INFO, prefix << "读取excel[3/7]：打开excel成功");
  if (!book->LoadWorksheets(error)) {
    logFailure(prefix, "读取excel失败：获取worksheets失败", path, error);
    return false;
  }
  TC_LOG(TC_LOG_INFO, prefix << "读取excel[4/7]：获取worksheet成功");
  if (!book->SelectFirstSheet(error)) {
    logFailure(prefix, "读取excel失败：获取sheet失败", path, error);
    return false;
  }
  TC_LOG(TC_LOG_INFO, prefix << "读取excel[5/7]：获取sheet成功");
  if (!book->ReadUsedRange(range, error)) {
    logFailure(prefix, "读取excel失败：获取usedRange失败", path, error);
    return false;
  }
  TC_LOG(TC_LOG_INFO, prefix << "读取excel[6/7]：获取usedRange成功");
  return true;
}

// Appends the data rows of the used range; true when there was at least one.
bool appendDataRows(CExcelRange& range, const std::string& prefix,
                    std::vector<WECHATKUAIJIEDATA>& rows) {
  TC_LOGF(TC_LOG_INFO, "%s读取excel[7/7]：读取内容成功，共[%d]行", prefix.c_str(),
          static_cast<int>(range.RowCount()));
  if (range.RowCount() <= 1) return false;
  std::vector<WECHATKUAIJIEDATA> dataRows = range.DataRows();
  const bool any = !dataRows.empty();
  if (rows.empty())
    rows = std::move(dataRows);
  else
    rows.insert(rows.end(), std::make_move_iterator(dataRows.begin()),
                std::make_move_iterator(dataRows.end()));
  return any;
}

bool readWith(IExcelApplication& app, const std::string& prefix,
              std::vector<WECHATKUAIJIEDATA>& rows, const std::string& path) {
  TC_LOG(TC_LOG_INFO, prefix << "读取excel：解析开始");
  bool read = false;
  try {
    CExcelRange range;
    read = readRange(app, prefix, path, range) && appendDataRows(range, prefix, rows);
  } catch (const std::exception& e) {  // e.g. out of memory on a huge sheet
    TC_LOG(TC_LOG_WARN, prefix << "reading \"" << path << "\" stopped: " << e.what());
  }
  TC_LOG(TC_LOG_INFO, prefix << "读取excel：解析完毕");
  if (!read) rows.clear();
  return read;
}

}  // namespace

std::vector<WECHATKUAIJIEDATA> CExcelReader::ReadExcelContent(const std::string& path) {
  TC_TRACE("CExcelReader::ReadExcelContent()");
  std::vector<WECHATKUAIJIEDATA> rows;
  if (!__ReadExcelContentByOffice(rows, path)) __ReadExcelContentByWps(rows, path);
  return rows;
}

bool CExcelReader::__ReadExcelContentByOffice(std::vector<WECHATKUAIJIEDATA>& rows,
                                              const std::string& path) {
  TC_TRACE("CExcelReader::__ReadExcelContentByOffice()");
  CBuiltinApplication app;
  return readWith(app, "office-", rows, path);
}

bool CExcelReader::__ReadExcelContentByWps(std::vector<WECHATKUAIJIEDATA>& rows,
                                           const std::string& path) {
  TC_TRACE("CExcelReader::__ReadExcelContentByWps()");
  CSofficeApplication app;
  return readWith(app, "wps-", rows, path);
}
