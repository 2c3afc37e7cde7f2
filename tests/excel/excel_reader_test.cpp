// The in-process reader ("office-") on workbooks written by libxlsxwriter, by hand and by
// LibreOffice (.xls), and ReadExcelContent's fall-back when it finds nothing. These tests
// hide LibreOffice (empty PATH) so that the second reader fails at once.
#include "excel_test_support.h"

#include "excel/ExcelFileKind.h"
#include "excel/ExcelReader.h"
#include "excel/ExcelXls.h"

#include <xlsxwriter.h>

#include <atomic>
#include <thread>

#include <iconv.h>

using namespace exceltest;

namespace {

class ExcelReaderTest : public CExcelTest {
 protected:
  void SetUp() override {
    CExcelTest::SetUp();
    fs::create_directory(m_root + "/nobin");
    m_path = std::make_unique<CEnvOverride>("PATH", m_root + "/nobin");
  }
  void TearDown() override {
    m_path.reset();
    CExcelTest::TearDown();
  }

  // Writes a one-sheet workbook; each row is a list of cells, "" leaves the cell blank.
  std::string WriteBook(const std::string& name,
                        const std::vector<std::vector<std::string>>& rows) {
    const std::string path = File(name);
    lxw_workbook* book = workbook_new(path.c_str());
    lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
    for (std::size_t r = 0; r < rows.size(); ++r) {
      for (std::size_t c = 0; c < rows[r].size(); ++c) {
        if (!rows[r][c].empty())
          worksheet_write_string(sheet, static_cast<lxw_row_t>(r), static_cast<lxw_col_t>(c),
                                 rows[r][c].c_str(), nullptr);
      }
    }
    EXPECT_EQ(workbook_close(book), LXW_NO_ERROR);
    return path;
  }

  std::unique_ptr<CEnvOverride> m_path;
};

TEST_F(ExcelReaderTest, HeaderAndThreeRowsInOrder) {
  const std::string path = WriteBook(
      "three.xlsx", {{"标题", "内容"}, {"one", "first"}, {"two", "second"}, {"three", "third"}});
  const auto rows = CExcelReader::ReadExcelContent(path);
  EXPECT_EQ(Pairs(rows), (PairList{{"one", "first"}, {"two", "second"}, {"three", "third"}}));
  EXPECT_TRUE(Logged("office-读取excel：解析开始"));
  EXPECT_TRUE(Logged("office-读取excel[1/7]：创建excel应用成功"));
  EXPECT_TRUE(Logged("office-读取excel[6/7]：获取usedRange成功"));
  EXPECT_TRUE(Logged("office-读取excel[7/7]：读取内容成功，共[4]行"));
  EXPECT_TRUE(Logged("office-读取excel：解析完毕"));
  EXPECT_FALSE(LoggedContaining("wps-")) << "the second reader runs only when the first fails";
}

TEST_F(ExcelReaderTest, NumbersBooleansAndDatesAsShown) {
  const std::string path = File("numbers.xlsx");
  lxw_workbook* book = workbook_new(path.c_str());
  lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
  lxw_format* date = workbook_add_format(book);
  format_set_num_format(date, "yyyy-mm-dd");
  lxw_format* time = workbook_add_format(book);
  format_set_num_format(time, "hh:mm:ss");
  lxw_format* twoDecimals = workbook_add_format(book);
  format_set_num_format(twoDecimals, "0.00");
  worksheet_write_string(sheet, 0, 0, "title", nullptr);
  worksheet_write_string(sheet, 0, 1, "content", nullptr);
  const double numbers[] = {12, 3.5, -0.25, 0.1 + 0.2, 123456789012, 1e20, 0.000001};
  lxw_row_t row = 1;
  for (double n : numbers) {
    worksheet_write_number(sheet, row, 0, n, nullptr);
    worksheet_write_number(sheet, row++, 1, n * 2, nullptr);
  }
  worksheet_write_boolean(sheet, row, 0, 1, nullptr);
  worksheet_write_boolean(sheet, row++, 1, 0, nullptr);
  lxw_datetime day = {2024, 3, 14, 0, 0, 0};
  lxw_datetime clock = {0, 0, 0, 13, 5, 9};
  worksheet_write_datetime(sheet, row, 0, &day, date);
  worksheet_write_datetime(sheet, row++, 1, &clock, time);
  worksheet_write_number(sheet, row, 0, 7, twoDecimals);  // not a date: the plain number
  worksheet_write_number(sheet, row++, 1, 45365, nullptr);
  ASSERT_EQ(workbook_close(book), LXW_NO_ERROR);

  EXPECT_EQ(Pairs(CExcelReader::ReadExcelContent(path)), (PairList{{"12", "24"},
                                                                   {"3.5", "7"},
                                                                   {"-0.25", "-0.5"},
                                                                   {"0.3", "0.6"},
                                                                   {"123456789012", "246913578024"},
                                                                   {"1E+20", "2E+20"},
                                                                   {"0.000001", "0.000002"},
                                                                   {"TRUE", "FALSE"},
                                                                   {"2024-03-14", "13:05:09"},
                                                                   {"7", "45365"}}));
}

TEST_F(ExcelReaderTest, ChineseAndEmojiText) {
  const std::string path = WriteBook(
      "cjk.xlsx", {{"标题", "内容"}, {"问候😀", "您好，欢迎光临！🎉👍"}, {"多行", "第一行\n第二行"}});
  EXPECT_EQ(Pairs(CExcelReader::ReadExcelContent(path)),
            (PairList{{"问候😀", "您好，欢迎光临！🎉👍"}, {"多行", "第一行\n第二行"}}));
}

TEST_F(ExcelReaderTest, EmptyCellsAndAThirdColumn) {
  const std::string path = WriteBook("gaps.xlsx", {{"标题", "内容", "备注"},
                                                   {"a", "", "note a"},
                                                   {"", "only content", ""},
                                                   {"", "", "a note alone"},
                                                   {},
                                                   {"b", "text b", "note b"}});
  EXPECT_EQ(Pairs(CExcelReader::ReadExcelContent(path)),
            (PairList{{"a", ""}, {"", "only content"}, {"b", "text b"}}));
  EXPECT_TRUE(Logged("office-读取excel[7/7]：读取内容成功，共[6]行"));
}

TEST_F(ExcelReaderTest, OneColumnSheetGivesTitlesWithEmptyContents) {
  const std::string path = WriteBook("one.xlsx", {{"标题"}, {"x"}, {"y"}, {"z"}});
  EXPECT_EQ(Pairs(CExcelReader::ReadExcelContent(path)),
            (PairList{{"x", ""}, {"y", ""}, {"z", ""}}));
}

TEST_F(ExcelReaderTest, UsedRangeStartsAtTheFirstFilledCell) {
  // Row 1 and column A are empty: the used range starts at B2, as Excel's does.
  const std::string path = WriteBook("offset.xlsx", {{}, {"", "标题", "内容"}, {"", "t", "c"}});
  EXPECT_EQ(Pairs(CExcelReader::ReadExcelContent(path)), (PairList{{"t", "c"}}));
}

TEST_F(ExcelReaderTest, HeaderOnlySheetYieldsNothingAfterBothReaders) {
  const std::string path = WriteBook("header.xlsx", {{"标题", "内容"}});
  EXPECT_TRUE(CExcelReader::ReadExcelContent(path).empty());
  EXPECT_TRUE(Logged("office-读取excel[7/7]：读取内容成功，共[1]行"));
  EXPECT_TRUE(Logged("wps-读取excel：解析开始"));
  EXPECT_TRUE(LoggedContaining("wps-读取excel失败：创建excel应用失败:"));
  EXPECT_TRUE(Logged("wps-读取excel：解析完毕"));
}

TEST_F(ExcelReaderTest, EmptySheetYieldsNothing) {
  const std::string path = WriteBook("empty.xlsx", {});
  std::vector<WECHATKUAIJIEDATA> rows{{"stale", "row"}};
  EXPECT_FALSE(CExcelReader::__ReadExcelContentByOffice(rows, path));
  EXPECT_TRUE(rows.empty()) << "a failed read empties the vector";
  EXPECT_TRUE(Logged("office-读取excel[7/7]：读取内容成功，共[0]行"));
}

TEST_F(ExcelReaderTest, NotASpreadsheetIsRefusedWithAClearLine) {
  const std::string path = File("notes.xlsx");
  WriteFile(path, "just some text, not a workbook\n");
  EXPECT_TRUE(CExcelReader::ReadExcelContent(path).empty());
  EXPECT_TRUE(Logged("office-读取excel失败：打开excel失败"));
  EXPECT_TRUE(LoggedContaining("neither an .xlsx nor an .xls workbook"));
  EXPECT_TRUE(Logged("office-读取excel：解析完毕"));
  EXPECT_TRUE(Logged("wps-读取excel：解析开始"));
}

TEST_F(ExcelReaderTest, MissingFileYieldsNothing) {
  const std::string path = File("missing.xlsx");
  EXPECT_TRUE(CExcelReader::ReadExcelContent(path).empty());
  EXPECT_TRUE(Logged("office-读取excel失败：打开excel失败"));
  EXPECT_TRUE(LoggedContaining("cannot open \"" + path + "\""));
  EXPECT_TRUE(Logged("wps-读取excel：解析完毕"));
  EXPECT_TRUE(TempLeftovers().empty());
}

TEST_F(ExcelReaderTest, FolderInsteadOfAFileYieldsNothing) {
  EXPECT_TRUE(CExcelReader::ReadExcelContent(m_root).empty());
  EXPECT_TRUE(Logged("office-读取excel失败：打开excel失败"));
}

TEST_F(ExcelReaderTest, XlsWrittenByLibreOffice) {
  const auto rows = CExcelReader::ReadExcelContent(DataFile("excel_fixture.xls"));
  EXPECT_EQ(Pairs(rows), (PairList{{"问候", "您好，欢迎光临！😀"},
                                   {"价格", "12"},
                                   {"折扣", "3.5"},
                                   {"日期", "2024-03-14"},
                                   {"空内容", ""},
                                   {"", "无标题内容"},
                                   {"多行", "第一行\n第二行 \"引号\", 逗号"}}));
  EXPECT_TRUE(Logged("office-读取excel[7/7]：读取内容成功，共[9]行"));
}

// The same book saved by LibreOffice as .xls and as .xlsx (tests/excel/data/
// make_formula_books.py): formula cells give their results, booleans TRUE/FALSE, a currency
// amount stays a number, a time and a date show as their formats do, a rich-text cell keeps
// its spaces, and a text split over several BIFF records comes back whole.
TEST_F(ExcelReaderTest, XlsAndXlsxOfTheSameBookGiveTheSameReplies) {
  std::string longText;
  for (int i = 0; i < 1500; ++i) longText += "长文本";
  const PairList expected = {
      {"求和", "3"},       {"文本公式", "Hello World"}, {"真", "TRUE"},      {"假", "FALSE"},
      {"错误", "#DIV/0!"}, {"金额", "1234.5"},          {"时间", "14:30"},   {"日期", "2024-03-14"},
      {"引用", "6"},       {"富文本", "Hello World"},   {"长文本", longText}};
  for (const char* name : {"excel_formulas.xls", "excel_formulas.xlsx"}) {
    std::vector<WECHATKUAIJIEDATA> rows;
    EXPECT_TRUE(CExcelReader::__ReadExcelContentByOffice(rows, DataFile(name))) << name;
    EXPECT_EQ(Pairs(rows), expected) << name;
  }
}

TEST_F(ExcelReaderTest, EncryptedXlsIsRefusedWithAClearReason) {
  // A FILEPASS record right after the workbook's BOF marks an encrypted book.
  std::ifstream in(DataFile("excel_formulas.xls"), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::size_t bof = bytes.find(std::string("\x09\x08\x10\x00\x00\x06", 6));
  ASSERT_NE(bof, std::string::npos);
  // Turn the record after the BOF into a FILEPASS of the same length.
  const std::size_t next = bof + 4 + 16;
  bytes[next] = 0x2F;
  bytes[next + 1] = 0x00;
  WriteFile(File("locked.xls"), bytes);
  std::vector<WECHATKUAIJIEDATA> rows;
  EXPECT_FALSE(CExcelReader::__ReadExcelContentByOffice(rows, File("locked.xls")));
  EXPECT_TRUE(LoggedContaining("password protected"));
}

TEST_F(ExcelReaderTest, XlsCutAnywhereGivesCleanRowsOrNothing) {
  std::ifstream in(DataFile("excel_formulas.xls"), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (std::size_t cut = 8; cut < bytes.size(); cut += 997) {
    WriteFile(File("cut.xls"), bytes.substr(0, cut));
    std::vector<WECHATKUAIJIEDATA> rows;
    CExcelReader::__ReadExcelContentByOffice(rows, File("cut.xls"));
    for (const auto& row : rows) {
      EXPECT_TRUE(IsCleanUtf8Text(row.strTitle)) << cut;
      EXPECT_TRUE(IsCleanUtf8Text(row.strContent)) << cut;
    }
  }
  EXPECT_TRUE(OurChildren().empty());
  EXPECT_TRUE(TempLeftovers().empty());
}

TEST_F(ExcelReaderTest, ConcurrentXlsReadsFromSeveralThreads) {
  // Each .xls read runs its own helper process; threads must not see each other's answers.
  std::vector<std::vector<WECHATKUAIJIEDATA>> results(4);
  std::vector<std::thread> threads;
  for (auto& rows : results)
    threads.emplace_back(
        [&rows] { CExcelReader::__ReadExcelContentByOffice(rows, DataFile("excel_fixture.xls")); });
  for (auto& thread : threads) thread.join();
  for (const auto& rows : results) EXPECT_EQ(rows.size(), 7u);
  EXPECT_TRUE(OurChildren().empty());
}

TEST_F(ExcelReaderTest, XlsIsReadByTheHelperProgramAndLeavesNoFile) {
  const std::string helper = ExcelXlsReaderProgram();
  ASSERT_FALSE(helper.empty());
  EXPECT_EQ(fs::path(helper).filename(), "tc_xls_reader");
  std::vector<WECHATKUAIJIEDATA> rows;
  EXPECT_TRUE(CExcelReader::__ReadExcelContentByOffice(rows, DataFile("excel_fixture.xls")));
  EXPECT_TRUE(TempLeftovers().empty());
  EXPECT_TRUE(OurChildren().empty());
}

TEST_F(ExcelReaderTest, XlsReadsDoNotStallWhileOtherThreadsConvertCharacterSets) {
  // A reader forked from this process would inherit the character-set conversion lock held
  // by a converting thread and wait on it for ever; an exec'd helper starts clean.
  std::atomic<bool> stop{false};
  std::vector<std::thread> converters;
  for (int i = 0; i < 2; ++i) {
    converters.emplace_back([&stop] {
      while (!stop) {
        iconv_t cd = iconv_open("UTF-8", "GBK");
        if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
      }
    });
  }
  int read = 0;
  for (int i = 0; i < 40; ++i) {
    std::vector<WECHATKUAIJIEDATA> rows;
    read += CExcelReader::__ReadExcelContentByOffice(rows, DataFile("excel_fixture.xls")) ? 1 : 0;
  }
  stop = true;
  for (auto& t : converters) t.join();
  EXPECT_EQ(read, 40);
  EXPECT_FALSE(LoggedContaining("took too long"));
}

TEST_F(ExcelReaderTest, TruncatedXlsIsRefused) {
  std::ifstream in(DataFile("excel_fixture.xls"), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(bytes.size(), 1500u);
  WriteFile(File("cut.xls"), bytes.substr(0, 1500));
  std::vector<WECHATKUAIJIEDATA> rows;
  EXPECT_FALSE(CExcelReader::__ReadExcelContentByOffice(rows, File("cut.xls")));
  EXPECT_TRUE(rows.empty());
  EXPECT_TRUE(Logged("office-读取excel：解析完毕"));
}

TEST_F(ExcelReaderTest, DamagedXlsThatMisleadsTheLibraryIsRefused) {
  // This file makes FreeXL read past its buffers; the reading runs in a child process.
  std::vector<WECHATKUAIJIEDATA> rows;
  EXPECT_FALSE(CExcelReader::__ReadExcelContentByOffice(rows, DataFile("excel_damaged.xls")));
  EXPECT_TRUE(Logged("office-读取excel失败：打开excel失败"));
  EXPECT_TRUE(LoggedContaining("office-reading \""));
  EXPECT_TRUE(OurChildren().empty());
}

TEST_F(ExcelReaderTest, FiveThousandRows) {
  std::vector<std::vector<std::string>> sheet = {{"标题", "内容"}};
  for (int i = 1; i <= 5000; ++i)
    sheet.push_back({"标题" + std::to_string(i), "内容 " + std::to_string(i) + " 😀"});
  const auto rows = CExcelReader::ReadExcelContent(WriteBook("big.xlsx", sheet));
  ASSERT_EQ(rows.size(), 5000u);
  EXPECT_EQ(rows.front().strTitle, "标题1");
  EXPECT_EQ(rows.back().strContent, "内容 5000 😀");
}

TEST_F(ExcelReaderTest, SpacesStoredOnTheirOwnAreKept) {
  const std::string path = File("spaces.xlsx");
  lxw_workbook* book = workbook_new(path.c_str());
  lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
  lxw_format* bold = workbook_add_format(book);
  format_set_bold(bold);
  worksheet_write_string(sheet, 0, 0, "标题", nullptr);
  worksheet_write_string(sheet, 1, 0, "rich", nullptr);
  lxw_rich_string_tuple hello = {bold, const_cast<char*>("Hello")};
  lxw_rich_string_tuple space = {nullptr, const_cast<char*>(" ")};
  lxw_rich_string_tuple world = {bold, const_cast<char*>("World")};
  lxw_rich_string_tuple* runs[] = {&hello, &space, &world, nullptr};
  ASSERT_EQ(worksheet_write_rich_string(sheet, 1, 1, runs, nullptr), LXW_NO_ERROR);
  worksheet_write_string(sheet, 2, 0, "   ", nullptr);
  worksheet_write_string(sheet, 2, 1, " padded  ", nullptr);
  ASSERT_EQ(workbook_close(book), LXW_NO_ERROR);
  EXPECT_EQ(Pairs(CExcelReader::ReadExcelContent(path)),
            (PairList{{"rich", "Hello World"}, {"   ", " padded  "}}));
}

TEST_F(ExcelReaderTest, InlineSpacesAreKept) {
  const std::string sheet =
      "<row r=\"1\">" + InlineCell("A1", "h") + "</row><row r=\"2\">" + InlineCell("A2", "  ") +
      "<c r=\"B2\" t=\"inlineStr\"><is><r><t>a</t></r><r><t xml:space=\"preserve\"> "
      "</t></r><r><t>b</t></r></is></c></row>";
  WriteZip(File("inline.xlsx"), XlsxParts(sheet));
  EXPECT_EQ(Pairs(CExcelReader::ReadExcelContent(File("inline.xlsx"))), (PairList{{"  ", "a b"}}));
}

TEST_F(ExcelReaderTest, FirstWorksheetInTabOrderIsRead) {
  const std::string path = File("two.xlsx");
  lxw_workbook* book = workbook_new(path.c_str());
  lxw_worksheet* first = workbook_add_worksheet(book, "first");
  lxw_worksheet* second = workbook_add_worksheet(book, "second");
  worksheet_write_string(first, 0, 0, "h", nullptr);
  worksheet_write_string(first, 1, 0, "from first", nullptr);
  worksheet_write_string(second, 0, 0, "h", nullptr);
  worksheet_write_string(second, 1, 0, "from second", nullptr);
  worksheet_activate(second);
  ASSERT_EQ(workbook_close(book), LXW_NO_ERROR);
  EXPECT_EQ(Pairs(CExcelReader::ReadExcelContent(path)), (PairList{{"from first", ""}}));
}

}  // namespace
