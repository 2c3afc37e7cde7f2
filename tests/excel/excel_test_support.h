// Helpers shared by the spreadsheet import tests: a private temporary folder (also used as
// TMPDIR), log capture, hand-made .xlsx packages and a look at our child processes.
#pragma once

#include "excel/ExcelReader.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Processes.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <zip.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace exceltest {

namespace fs = std::filesystem;

// The fixtures folder, compiled in so that the tests also run outside CTest.
inline std::string DataFile(const std::string& name) {
  return std::string(TC_EXCEL_TEST_DATA_DIR) + "/" + name;
}

// Environment overrides for the life of the object (PATH, TMPDIR).
using CEnvOverride = testing_support::ScopedEnv;

// Each test gets a scratch folder for its files and an empty folder as TMPDIR, and sees the
// log lines written during the test.
class CExcelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_folder = std::make_unique<testing_support::TempDir>("excel-test");
    m_root = m_folder->path();
    fs::create_directory(m_root + "/files");
    fs::create_directory(m_root + "/tmp");
    m_tmpdir = std::make_unique<CEnvOverride>("TMPDIR", m_root + "/tmp");
    m_log = std::make_unique<testing_support::LogCapture>();
  }

  void TearDown() override {
    m_log.reset();
    m_tmpdir.reset();
    m_folder.reset();
  }

  std::string File(const std::string& name) const { return m_root + "/files/" + name; }
  std::string TempFolder() const { return m_root + "/tmp"; }

  // Names left in the temporary folder.
  std::vector<std::string> TempLeftovers() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(TempFolder()))
      names.push_back(entry.path().filename().string());
    return names;
  }

  std::vector<std::string> LogLines() { return m_log->Lines(); }

  bool Logged(const std::string& line) {
    for (const std::string& l : LogLines()) {
      if (l == line) return true;
    }
    return false;
  }

  bool LoggedContaining(const std::string& part) {
    for (const std::string& l : LogLines()) {
      if (l.find(part) != std::string::npos) return true;
    }
    return false;
  }

  void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
  }

  std::unique_ptr<testing_support::TempDir> m_folder;
  std::string m_root;
  std::unique_ptr<CEnvOverride> m_tmpdir;
  std::unique_ptr<testing_support::LogCapture> m_log;
};

// Writes a zip file with the given entries.
inline void WriteZip(const std::string& path, const std::map<std::string, std::string>& entries) {
  int error = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(zip, nullptr);
  for (const auto& [name, content] : entries) {
    zip_source_t* source = zip_source_buffer(zip, content.data(), content.size(), 0);
    ASSERT_GE(zip_file_add(zip, name.c_str(), source, ZIP_FL_OVERWRITE), 0);
  }
  ASSERT_EQ(zip_close(zip), 0);
}

// Names of the Office Open XML vocabulary, kept short for the hand-made packages.
inline const std::string kMainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
inline const std::string kRelsNs = "http://schemas.openxmlformats.org/package/2006/relationships";
inline const std::string kDocRels =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// A <Relationship> of the given type ("worksheet", "officeDocument", ...).
inline std::string Relationship(const std::string& id, const std::string& type,
                                const std::string& target) {
  return "<Relationship Id=\"" + id + "\" Type=\"" + kDocRels + "/" + type + "\" Target=\"" +
         target + "\"/>";
}

inline std::string Relationships(const std::string& items) {
  return "<Relationships xmlns=\"" + kRelsNs + "\">" + items + "</Relationships>";
}

inline std::string ContentTypes() {
  const std::string ooxml = "application/vnd.openxmlformats-";
  const std::string sheetml = ooxml + "officedocument.spreadsheetml.";
  auto part = [](const std::string& name, const std::string& type) {
    return "<Override PartName=\"" + name + "\" ContentType=\"" + type + "\"/>";
  };
  return "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
         "<Default Extension=\"rels\" ContentType=\"" +
         ooxml +
         "package.relationships+xml\"/>"
         "<Default Extension=\"xml\" ContentType=\"application/xml\"/>" +
         part("/xl/workbook.xml", sheetml + "sheet.main+xml") +
         part("/xl/worksheets/sheet1.xml", sheetml + "worksheet+xml") +
         part("/xl/sharedStrings.xml", sheetml + "sharedStrings+xml") +
         part("/xl/styles.xml", sheetml + "styles+xml") + "</Types>";
}

// The parts of a minimal one-sheet workbook; tests replace or add parts.
inline std::map<std::string, std::string> XlsxParts(const std::string& sheetData,
                                                    const std::string& sharedStrings = "",
                                                    const std::string& styles = "") {
  std::map<std::string, std::string> parts;
  parts["[Content_Types].xml"] = ContentTypes();
  parts["_rels/.rels"] = Relationships(Relationship("rId1", "officeDocument", "xl/workbook.xml"));
  parts["xl/workbook.xml"] = "<workbook xmlns=\"" + kMainNs + "\" xmlns:r=\"" + kDocRels +
                             "\"><sheets><sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/>"
                             "</sheets></workbook>";
  std::string rels = Relationship("rId1", "worksheet", "worksheets/sheet1.xml");
  if (!sharedStrings.empty()) {
    rels += Relationship("rId2", "sharedStrings", "sharedStrings.xml");
    parts["xl/sharedStrings.xml"] = "<sst xmlns=\"" + kMainNs + "\">" + sharedStrings + "</sst>";
  }
  if (!styles.empty()) {
    rels += Relationship("rId3", "styles", "styles.xml");
    parts["xl/styles.xml"] = "<styleSheet xmlns=\"" + kMainNs + "\">" + styles + "</styleSheet>";
  }
  parts["xl/_rels/workbook.xml.rels"] = Relationships(rels);
  parts["xl/worksheets/sheet1.xml"] =
      "<worksheet xmlns=\"" + kMainNs + "\"><sheetData>" + sheetData + "</sheetData></worksheet>";
  return parts;
}

// An inline-string cell.
inline std::string InlineCell(const std::string& ref, const std::string& text) {
  return "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t>" + text + "</t></is></c>";
}

inline std::vector<std::pair<std::string, std::string>> Pairs(
    const std::vector<WECHATKUAIJIEDATA>& rows) {
  std::vector<std::pair<std::string, std::string>> pairs;
  for (const auto& row : rows) pairs.emplace_back(row.strTitle, row.strContent);
  return pairs;
}

using PairList = std::vector<std::pair<std::string, std::string>>;

// Processes whose parent is this test, and processes whose command line mentions `text`.
inline std::vector<int> OurChildren() {
  return testing_support::ChildrenOf(static_cast<int>(::getpid()));
}
using testing_support::ProcessesMentioning;

}  // namespace exceltest
