// The LibreOffice reader ("wps-"). LibreOffice starts slowly, so few tests run it: one failed
// and one successful conversion, each checked for leftover files and processes. A fake
// program that hangs checks the time-out without LibreOffice.
#include "excel_test_support.h"

#include "excel/ExcelFileKind.h"
#include "excel/ExcelOffice.h"

#include <chrono>
#include <thread>

#include <sys/stat.h>

using namespace exceltest;

namespace {

class ExcelOfficeTest : public CExcelTest {
 protected:
  void ExpectNothingLeftBehind() {
    EXPECT_TRUE(TempLeftovers().empty());
    EXPECT_TRUE(OurChildren().empty());
    EXPECT_TRUE(ProcessesMentioning(m_root).empty());
  }

  // A stand-in for soffice: a shell script in a folder of its own.
  std::string FakeProgram(const std::string& body) {
    fs::create_directories(m_root + "/fakebin");
    const std::string path = m_root + "/fakebin/soffice";
    WriteFile(path, "#!/bin/sh\n" + body + "\n");
    ::chmod(path.c_str(), 0755);
    return path;
  }
};

TEST_F(ExcelOfficeTest, SuccessfulReadMatchesTheBuiltinReaderAndLeavesNothing) {
  // A copy with a name LibreOffice would stumble over if it were passed as given.
  const std::string path = File("-快捷语 表.xls");
  fs::copy_file(DataFile("excel_fixture.xls"), path);
  std::vector<WECHATKUAIJIEDATA> builtin;
  ASSERT_TRUE(CExcelReader::__ReadExcelContentByOffice(builtin, path));

  std::vector<WECHATKUAIJIEDATA> rows;
  ASSERT_TRUE(CExcelReader::__ReadExcelContentByWps(rows, path));
  EXPECT_EQ(Pairs(rows), Pairs(builtin));
  EXPECT_TRUE(Logged("wps-读取excel[1/7]：创建excel应用成功"));
  EXPECT_TRUE(Logged("wps-读取excel[7/7]：读取内容成功，共[9]行"));
  EXPECT_TRUE(Logged("wps-读取excel：解析完毕"));
  ExpectNothingLeftBehind();
  EXPECT_FALSE(fs::exists(File(".~lock.-快捷语 表.xls#"))) << "no lock file beside the input";
}

TEST_F(ExcelOfficeTest, FailedReadOfAFileThatIsNoSpreadsheetLeavesNothing) {
  std::string noise;
  for (int i = 0; i < 4096; ++i) noise += static_cast<char>((i * 7919 + 13) % 256);
  WriteFile(File("noise.xlsx"), noise);
  EXPECT_TRUE(CExcelReader::ReadExcelContent(File("noise.xlsx")).empty());
  EXPECT_TRUE(Logged("office-读取excel失败：打开excel失败"));
  EXPECT_TRUE(Logged("wps-读取excel失败：打开excel失败"));
  EXPECT_TRUE(LoggedContaining("wps-reading \"" + File("noise.xlsx") + "\" stopped: "));
  EXPECT_TRUE(Logged("wps-读取excel：解析完毕"));
  ExpectNothingLeftBehind();
}

TEST_F(ExcelOfficeTest, OpenDocumentSheetFallsBackToLibreOffice) {
  const auto rows = CExcelReader::ReadExcelContent(DataFile("excel_fixture.fods"));
  EXPECT_TRUE(Logged("office-读取excel失败：打开excel失败"));
  EXPECT_TRUE(Logged("wps-读取excel[7/7]：读取内容成功，共[9]行"));
  ASSERT_EQ(rows.size(), 7u);
  EXPECT_EQ(rows[0].strContent, "您好，欢迎光临！😀");
  EXPECT_EQ(rows[3].strContent, "2024-03-14");
  ExpectNothingLeftBehind();
}

TEST_F(ExcelOfficeTest, CsvFileIsReadAsUtf8WithCommas) {
  WriteFile(File("replies.csv"), "标题,内容\n\"问候,1\",\"第一行\n第二行\"\n12,3.50\n");
  EXPECT_EQ(Pairs(CExcelReader::ReadExcelContent(File("replies.csv"))),
            (PairList{{"问候,1", "第一行\n第二行"}, {"12", "3.5"}}));
  ExpectNothingLeftBehind();
}

TEST_F(ExcelOfficeTest, CsvFileInGbkIsConverted) {
  // "标题,内容\n朱镕基,您好€\n" in GBK, as Excel saves a CSV on Chinese Windows.
  WriteFile(File("gbk.csv"),
            "\xB1\xEA\xCC\xE2,\xC4\xDA\xC8\xDD\n"
            "\xD6\xEC\xE9\x46\xBB\xF9,\xC4\xFA\xBA\xC3\x80\n");
  EXPECT_EQ(Pairs(CExcelReader::ReadExcelContent(File("gbk.csv"))),
            (PairList{{"朱镕基", "您好€"}}));
  ExpectNothingLeftBehind();
}

TEST_F(ExcelOfficeTest, ConcurrentReadsAgreeWithTheBuiltinReader) {
  // Two LibreOffice runs at once (private profiles), one of them on formatted numbers and
  // dates: both readers give plain numbers and dates as shown.
  const std::string styles =
      R"(<numFmts><numFmt numFmtId="164" formatCode="yyyy-mm-dd"/></numFmts>)"
      R"(<cellXfs><xf numFmtId="0"/><xf numFmtId="2"/><xf numFmtId="164"/>)"
      R"(<xf numFmtId="10"/></cellXfs>)";
  const std::string sheet =
      "<row r=\"1\">" + InlineCell("A1", "标题") + InlineCell("B1", "内容") +
      "</row>"
      "<row r=\"2\">" +
      InlineCell("A2", "两位小数") +
      "<c r=\"B2\" s=\"1\"><v>12</v></c></row>"
      "<row r=\"3\">" +
      InlineCell("A3", "日期") +
      "<c r=\"B3\" s=\"2\"><v>45365</v></c></row>"
      "<row r=\"4\"><c r=\"A4\"><v>3.5</v></c><c r=\"B4\" t=\"b\"><v>1</v></c></row>";
  WriteZip(File("formats.xlsx"), XlsxParts(sheet, "", styles));

  std::vector<WECHATKUAIJIEDATA> fixture;
  std::vector<WECHATKUAIJIEDATA> formats;
  bool fixtureOk = false;
  std::thread other([&] {
    fixtureOk = CExcelReader::__ReadExcelContentByWps(fixture, DataFile("excel_fixture.xls"));
  });
  const bool formatsOk = CExcelReader::__ReadExcelContentByWps(formats, File("formats.xlsx"));
  other.join();
  ASSERT_TRUE(fixtureOk);
  ASSERT_TRUE(formatsOk);

  std::vector<WECHATKUAIJIEDATA> builtin;
  ASSERT_TRUE(CExcelReader::__ReadExcelContentByOffice(builtin, DataFile("excel_fixture.xls")));
  EXPECT_EQ(Pairs(fixture), Pairs(builtin));
  builtin.clear();
  ASSERT_TRUE(CExcelReader::__ReadExcelContentByOffice(builtin, File("formats.xlsx")));
  EXPECT_EQ(Pairs(builtin),
            (PairList{{"两位小数", "12"}, {"日期", "2024-03-14"}, {"3.5", "TRUE"}}));
  EXPECT_EQ(Pairs(formats), Pairs(builtin));
  ExpectNothingLeftBehind();
}

TEST_F(ExcelOfficeTest, NoSpreadsheetProgramFailsAtCreation) {
  fs::create_directories(m_root + "/nobin");
  CEnvOverride path("PATH", m_root + "/nobin");
  std::vector<WECHATKUAIJIEDATA> rows{{"stale", ""}};
  EXPECT_FALSE(CExcelReader::__ReadExcelContentByWps(rows, DataFile("excel_fixture.xls")));
  EXPECT_TRUE(rows.empty());
  EXPECT_TRUE(
      Logged("wps-读取excel失败：创建excel应用失败:no spreadsheet program (soffice or "
             "libreoffice) on PATH"));
  EXPECT_FALSE(LoggedContaining("wps-读取excel[1/7]"));
  EXPECT_TRUE(Logged("wps-读取excel：解析完毕"));
  EXPECT_TRUE(TempLeftovers().empty());
}

TEST_F(ExcelOfficeTest, ProgramIsFoundOnPathButNeverInTheCurrentFolder) {
  const std::string program = FakeProgram("exit 0");
  {
    CEnvOverride path("PATH", ":.:" + m_root + "/fakebin");
    EXPECT_EQ(FindSofficeProgram(), program);
  }
  CEnvOverride path("PATH", ".");
  const fs::path old = fs::current_path();
  fs::current_path(m_root + "/fakebin");
  EXPECT_EQ(FindSofficeProgram(), "");
  fs::current_path(old);
}

TEST_F(ExcelOfficeTest, HangingProgramIsKilledWithItsChildrenAtTheTimeOut) {
  // The script leaves a grandchild behind, as LibreOffice's launcher does.
  const std::string program = FakeProgram("sh -c 'sleep 30; : " + m_root + "' &\nsleep 30");
  CExcelTempFolder folder;
  std::string error;
  ASSERT_TRUE(folder.Create(error)) << error;
  std::string csv;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(ConvertWithSoffice(program, DataFile("excel_fixture.xls"), "MS Excel 97",
                                  folder.Path(), 300, csv, error));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_NE(error.find("did not finish within 300 ms"), std::string::npos) << error;
  EXPECT_TRUE(OurChildren().empty());
  EXPECT_TRUE(ProcessesMentioning(m_root).empty());
}

TEST_F(ExcelOfficeTest, ProgramThatWritesNothingOrFailsIsReported) {
  CExcelTempFolder folder;
  std::string error;
  ASSERT_TRUE(folder.Create(error)) << error;
  std::string csv;
  const std::string quiet = FakeProgram("echo 'Error: source file could not be loaded'");
  EXPECT_FALSE(ConvertWithSoffice(quiet, DataFile("excel_fixture.xls"), "MS Excel 97",
                                  folder.Path(), 10000, csv, error));
  EXPECT_NE(error.find("Error: source file could not be loaded"), std::string::npos) << error;

  CExcelTempFolder second;
  ASSERT_TRUE(second.Create(error)) << error;
  const std::string failing = FakeProgram("echo broken >&2; exit 3");
  EXPECT_FALSE(ConvertWithSoffice(failing, DataFile("excel_fixture.xls"), "MS Excel 97",
                                  second.Path(), 10000, csv, error));
  EXPECT_NE(error.find("broken"), std::string::npos) << error;
  EXPECT_TRUE(OurChildren().empty());
}

TEST_F(ExcelOfficeTest, FakeProgramOutputIsParsedAndTheFolderRemoved) {
  // Writes a CSV where LibreOffice would, and checks the arguments it was given.
  const std::string program = FakeProgram(
      "for a; do last=$a; done\n"
      "case \"$*\" in *--headless*--convert-to*--outdir*) ;; *) exit 9;; esac\n"
      "[ -n \"$TMPDIR\" ] && [ -d \"$TMPDIR\" ] || exit 8\n"
      "out=\"${last%/*}/out\"\n"
      "printf 'h,h\\n\"t,1\",\"c\\n2\"\\n' > \"$out/book-Sheet1.csv\"");
  fs::create_directories(m_root + "/fakebin");
  CEnvOverride path("PATH", m_root + "/fakebin");
  std::vector<WECHATKUAIJIEDATA> rows;
  EXPECT_TRUE(CExcelReader::__ReadExcelContentByWps(rows, DataFile("excel_fixture.fods")))
      << ::testing::PrintToString(LogLines());
  EXPECT_EQ(Pairs(rows), (PairList{{"t,1", "c\n2"}}));
  ExpectNothingLeftBehind();
}

TEST_F(ExcelOfficeTest, MissingInputNeverStartsTheProgram) {
  const std::string program = FakeProgram("touch \"" + m_root + "/started\"");
  CEnvOverride path("PATH", m_root + "/fakebin");
  std::vector<WECHATKUAIJIEDATA> rows;
  EXPECT_FALSE(CExcelReader::__ReadExcelContentByWps(rows, File("missing.ods")));
  EXPECT_TRUE(Logged("wps-读取excel失败：打开excel失败"));
  EXPECT_FALSE(fs::exists(m_root + "/started"));
  EXPECT_TRUE(TempLeftovers().empty());
}

}  // namespace

namespace {

// A fake soffice that notes its arguments and writes the CSV it is given where LibreOffice
// would write its result.
class ExcelOfficeFakeTest : public ExcelOfficeTest {
 protected:
  void UseFake(const std::string& csv) {
    WriteFile(m_root + "/fake.csv", csv);
    FakeProgram("printf '%s\\n' \"$@\" > \"" + m_root +
                "/args\"\n"
                "for a; do last=$a; done\n"
                "/bin/cp \"" +
                m_root + "/fake.csv\" \"${last%/*}/out/book-Sheet1.csv\"");
    if (!m_path) m_path = std::make_unique<CEnvOverride>("PATH", m_root + "/fakebin");
  }
  bool Started() const { return fs::exists(m_root + "/args"); }
  std::string Arguments() const {
    std::ifstream in(m_root + "/args");
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  std::unique_ptr<CEnvOverride> m_path;
};

TEST_F(ExcelOfficeFakeTest, EachKindOfFileIsOpenedWithItsOwnImportFilter) {
  UseFake("h,h\nt,c\n");
  const std::map<std::string, std::string> filters = {
      {DataFile("excel_fixture.xls"), "--infilter=MS Excel 97"},
      {DataFile("excel_fixture.fods"), "--infilter=OpenDocument Spreadsheet Flat XML"}};
  for (const auto& [path, filter] : filters) {
    std::vector<WECHATKUAIJIEDATA> rows;
    EXPECT_TRUE(CExcelReader::__ReadExcelContentByWps(rows, path))
        << ::testing::PrintToString(LogLines());
    EXPECT_NE(Arguments().find(filter + "\n"), std::string::npos) << Arguments();
  }
  WriteFile(File("replies.csv"), "a,b\n");
  std::vector<WECHATKUAIJIEDATA> rows;
  EXPECT_TRUE(CExcelReader::__ReadExcelContentByWps(rows, File("replies.csv")));
  EXPECT_NE(Arguments().find("--infilter=Text - txt - csv (StarCalc):44,34,76,1\n"),
            std::string::npos);
}

TEST_F(ExcelOfficeFakeTest, RandomBytesNamedXlsNeverReachTheProgram) {
  UseFake("h,h\nt,c\n");
  std::string noise;
  std::uint32_t seed = 12345;
  for (int i = 0; i < 20000; ++i) {
    seed = seed * 1103515245u + 12345u;
    noise += static_cast<char>(seed >> 24);
  }
  for (const char* name : {"random.xls", "random.xlsx", "random.csv", "random.ods"}) {
    WriteFile(File(name), noise);
    EXPECT_TRUE(CExcelReader::ReadExcelContent(File(name)).empty()) << name;
  }
  EXPECT_FALSE(Started());
  EXPECT_TRUE(LoggedContaining("is no spreadsheet"));
}

TEST_F(ExcelOfficeFakeTest, TextOrOtherZipFilesNamedAsWorkbooksNeverReachTheProgram) {
  UseFake("h,h\nt,c\n");
  WriteFile(File("notes.xlsx"), "just some text, not a workbook\n");
  WriteZip(File("archive.xlsx"), {{"readme.txt", "hello"}});
  WriteFile(File("page.xls"), "<?xml version=\"1.0\"?><html><body>hi</body></html>");
  for (const char* name : {"notes.xlsx", "archive.xlsx", "page.xls"})
    EXPECT_TRUE(CExcelReader::ReadExcelContent(File(name)).empty()) << name;
  EXPECT_FALSE(Started());
}

TEST_F(ExcelOfficeFakeTest, AResultWithControlBytesOrBrokenCharactersIsRefused) {
  for (const std::string& junk :
       {std::string("h,h\nt,\x01\x02\x7f\n"), std::string("h,h\nt,\xff\xfe\n"),
        std::string("h,h\n\xC2\x85,x\n")}) {
    UseFake(junk);
    std::vector<WECHATKUAIJIEDATA> rows;
    EXPECT_FALSE(CExcelReader::__ReadExcelContentByWps(rows, DataFile("excel_fixture.xls")));
    EXPECT_TRUE(rows.empty());
    EXPECT_TRUE(Logged("wps-读取excel失败：获取worksheets失败"));
    EXPECT_TRUE(LoggedContaining("binary data"));
  }
}

TEST_F(ExcelOfficeFakeTest, AFileTooLargeForTheProgramIsRefusedBeforeItStarts) {
  UseFake("h,h\nt,c\n");
  const std::string path = File("huge.xls");
  WriteFile(path, std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
  fs::resize_file(path, 65u << 20);  // sparse: costs no disk
  std::vector<WECHATKUAIJIEDATA> rows;
  EXPECT_FALSE(CExcelReader::__ReadExcelContentByWps(rows, path));
  EXPECT_FALSE(Started());
  EXPECT_TRUE(LoggedContaining("too large for the spreadsheet program"));
}

TEST_F(ExcelOfficeFakeTest, AFifoIsRefusedAtOnceByBothReaders) {
  UseFake("h,h\nt,c\n");
  for (const char* name : {"pipe.xlsx", "pipe.xls", "pipe.csv"}) {
    const std::string path = File(name);
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    // Without a writer, an ordinary open of the FIFO would never return.
    EXPECT_TRUE(CExcelReader::ReadExcelContent(path).empty()) << name;
  }
  EXPECT_FALSE(Started());
  EXPECT_TRUE(LoggedContaining("is not a regular file"));
}

TEST_F(ExcelOfficeTest, TruncatedWorkbooksGiveNoJunkFromLibreOffice) {
  std::ifstream in(DataFile("excel_fixture.xls"), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (std::size_t cut : {512u, 1536u, 2600u, 4000u, 5200u}) {
    ASSERT_LT(cut, bytes.size());
    const std::string path = File("cut" + std::to_string(cut) + ".xls");
    WriteFile(path, bytes.substr(0, cut));
    for (const auto& row : CExcelReader::ReadExcelContent(path)) {
      EXPECT_TRUE(IsCleanUtf8Text(row.strTitle)) << cut;
      EXPECT_TRUE(IsCleanUtf8Text(row.strContent)) << cut;
    }
  }
  ExpectNothingLeftBehind();
}

}  // namespace
