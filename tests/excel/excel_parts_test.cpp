// The pieces under the readers: hand-made .xlsx packages with the forms other writers use,
// damaged packages, the CSV parser, number and date texts.
#include "excel_test_support.h"

#include "excel/ExcelCsv.h"
#include "excel/ExcelDate.h"
#include "excel/ExcelFileKind.h"
#include "excel/ExcelRange.h"
#include "excel/ExcelXlsReport.h"
#include "excel/ExcelXlsx.h"

#include <cmath>
#include <functional>

using namespace exceltest;

namespace {

class ExcelXlsxTest : public CExcelTest {
 protected:
  // Reads a hand-made package with the in-process reader.
  std::vector<WECHATKUAIJIEDATA> Read(const std::map<std::string, std::string>& parts,
                                      bool* ok = nullptr) {
    const std::string path = File("book.xlsx");
    WriteZip(path, parts);
    std::vector<WECHATKUAIJIEDATA> rows;
    const bool read = CExcelReader::__ReadExcelContentByOffice(rows, path);
    if (ok) *ok = read;
    return rows;
  }
};

TEST_F(ExcelXlsxTest, InlineRichAndSharedStrings) {
  const std::string shared =
      "<si><t>plain</t></si>"
      "<si><r><rPr><b/></rPr><t>bold </t></r><r><t xml:space=\"preserve\"> and more</t></r></si>"
      "<si><t>漢字</t><rPh sb=\"0\" eb=\"2\"><t>かんじ</t></rPh></si>"
      "<si><t>line_x000D_break &amp; &lt;tag&gt;</t></si>";
  const std::string sheet =
      "<row r=\"1\">" + InlineCell("A1", "h1") + InlineCell("B1", "h2") +
      "</row>"
      "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>0</v></c><c r=\"B2\" t=\"s\"><v>1</v></c></row>"
      "<row r=\"3\"><c r=\"A3\" t=\"s\"><v>2</v></c><c r=\"B3\" t=\"s\"><v>3</v></c></row>"
      "<row r=\"4\"><c r=\"A4\" t=\"inlineStr\"><is><r><t>in</t></r><r><t>line</t></r></is></c>"
      "<c r=\"B4\" t=\"str\"><f>A4</f><v>formula text</v></c></row>"
      "<row r=\"5\"><c r=\"A5\" t=\"e\"><v>#DIV/0!</v></c><c r=\"B5\"><f>1/0</f></c></row>";
  EXPECT_EQ(Pairs(Read(XlsxParts(sheet, shared))), (PairList{{"plain", "bold  and more"},
                                                             {"漢字", "line\rbreak & <tag>"},
                                                             {"inline", "formula text"},
                                                             {"#DIV/0!", ""}}));
}

TEST_F(ExcelXlsxTest, CellsWithoutReferencesFollowEachOther) {
  const std::string sheet =
      "<row><c t=\"inlineStr\"><is><t>h</t></is></c></row>"
      "<row><c t=\"inlineStr\"><is><t>a</t></is></c><c><v>1</v></c><c><v>2</v></c></row>"
      "<row r=\"5\"><c t=\"inlineStr\"><is><t>b</t></is></c><c r=\"B5\"><v>3</v></c></row>"
      "<row><c r=\"B6\"><v>4</v></c></row>";
  EXPECT_EQ(Pairs(Read(XlsxParts(sheet))), (PairList{{"a", "1"}, {"b", "3"}, {"", "4"}}));
}

TEST_F(ExcelXlsxTest, PrefixedElementsAndStrictRelationshipIds) {
  auto parts = XlsxParts("");
  parts["xl/workbook.xml"] =
      "<x:workbook xmlns:x=\"" + kMainNs + "\" " +
      R"(xmlns:rel="http://purl.oclc.org/ooxml/officeDocument/relationships">)"
      R"(<x:sheets><x:sheet name="S" sheetId="1" rel:id="rId1"/></x:sheets></x:workbook>)";
  parts["xl/worksheets/sheet1.xml"] =
      "<x:worksheet xmlns:x=\"" + kMainNs + "\"><x:sheetData>" +
      R"(<x:row r="1"><x:c r="A1" t="inlineStr"><x:is><x:t>h</x:t></x:is></x:c></x:row>)"
      R"(<x:row r="2"><x:c r="A2" t="inlineStr"><x:is><x:t>t</x:t></x:is></x:c>)"
      R"(<x:c r="B2"><x:v>5</x:v></x:c></x:row></x:sheetData></x:worksheet>)";
  EXPECT_EQ(Pairs(Read(parts)), (PairList{{"t", "5"}}));
}

TEST_F(ExcelXlsxTest, WorkbookFoundThroughPackageRelationshipsAndAbsoluteTargets) {
  auto parts = XlsxParts("<row r=\"1\">" + InlineCell("A1", "h") + "</row><row r=\"2\">" +
                         InlineCell("A2", "v") + "</row>");
  parts["_rels/.rels"] = Relationships(Relationship("r", "officeDocument", "/book/main.xml"));
  parts["book/main.xml"] = parts["xl/workbook.xml"];
  parts["book/_rels/main.xml.rels"] =
      Relationships(Relationship("rId1", "worksheet", "../xl/./worksheets/sheet1.xml"));
  parts.erase("xl/workbook.xml");
  EXPECT_EQ(Pairs(Read(parts)), (PairList{{"v", ""}}));
}

TEST_F(ExcelXlsxTest, ChartSheetBeforeTheFirstWorksheetIsPassedOver) {
  auto parts = XlsxParts("<row r=\"1\">" + InlineCell("A1", "h") + "</row><row r=\"2\">" +
                         InlineCell("A2", "data") + "</row>");
  parts["xl/workbook.xml"] =
      "<workbook xmlns:r=\"" + kDocRels + "\"><sheets>" +
      R"(<sheet name="Chart" sheetId="2" r:id="rId9"/><sheet name="S" sheetId="1" r:id="rId1"/>)"
      "</sheets></workbook>";
  parts["xl/_rels/workbook.xml.rels"] =
      Relationships(Relationship("rId9", "chartsheet", "chartsheets/sheet1.xml") +
                    Relationship("rId1", "worksheet", "worksheets/sheet1.xml"));
  EXPECT_EQ(Pairs(Read(parts)), (PairList{{"data", ""}}));
}

TEST_F(ExcelXlsxTest, DateFormatsFromTheStylesPart) {
  const std::string styles =
      R"(<numFmts count="3"><numFmt numFmtId="164" )"
      R"(formatCode="yyyy&quot;年&quot;m&quot;月&quot;d&quot;日&quot;"/>)"
      R"(<numFmt numFmtId="165" formatCode="[Red]0.00;[Blue]-0.00"/>)"
      R"(<numFmt numFmtId="166" formatCode="dddd, mmmm d, yyyy h:mm AM/PM"/></numFmts>)"
      R"(<cellXfs count="5"><xf numFmtId="0"/><xf numFmtId="14"/><xf numFmtId="164"/>)"
      R"(<xf numFmtId="165"/><xf numFmtId="166"/></cellXfs>)";
  const std::string sheet =
      "<row r=\"1\">" + InlineCell("A1", "h") +
      "</row>"
      R"(<row r="2"><c r="A2" s="1"><v>45365</v></c><c r="B2" s="2"><v>45365</v></c></row>)"
      R"(<row r="3"><c r="A3" s="3"><v>2.5</v></c><c r="B3" s="4"><v>45365.75</v></c></row>)"
      "<row r=\"4\"><c r=\"A4\" s=\"1\"><v>-3</v></c><c r=\"B4\" s=\"99\"><v>8</v></c></row>";
  EXPECT_EQ(Pairs(Read(XlsxParts(sheet, "", styles))),
            (PairList{{"2024/3/14", "2024年3月14日"},
                      {"2.5", "Thursday, March 14, 2024 6:00 PM"},
                      {"-3", "8"}}));
}

TEST_F(ExcelXlsxTest, Date1904Workbooks) {
  auto parts = XlsxParts("<row r=\"1\">" + InlineCell("A1", "h") +
                             "</row>"
                             "<row r=\"2\"><c r=\"A2\" s=\"1\"><v>0</v></c></row>",
                         "", R"(<cellXfs><xf numFmtId="0"/><xf numFmtId="14"/></cellXfs>)");
  parts["xl/workbook.xml"] =
      "<workbook xmlns:r=\"" + kDocRels + "\">" +
      R"(<workbookPr date1904="1"/><sheets><sheet name="S" sheetId="1" r:id="rId1"/></sheets>)"
      "</workbook>";
  EXPECT_EQ(Pairs(Read(parts)), (PairList{{"1904/1/1", ""}}));
}

TEST_F(ExcelXlsxTest, FarAwayCellCostsNothing) {
  const std::string sheet = "<row r=\"1\">" + InlineCell("A1", "h") +
                            "</row>"
                            "<row r=\"1048576\">" +
                            InlineCell("XFD1048576", "far") + "</row>";
  bool ok = true;
  EXPECT_TRUE(Read(XlsxParts(sheet), &ok).empty());
  EXPECT_FALSE(ok);
  EXPECT_TRUE(Logged("office-读取excel[7/7]：读取内容成功，共[1048576]行"));
}

struct TBrokenCase {
  const char* name;
  std::function<void(std::map<std::string, std::string>&)> damage;
  const char* failedStep;
};

class ExcelBrokenXlsxTest : public ExcelXlsxTest,
                            public ::testing::WithParamInterface<TBrokenCase> {};

TEST_P(ExcelBrokenXlsxTest, FailsAtTheRightStepWithoutRows) {
  auto parts = XlsxParts("<row r=\"1\">" + InlineCell("A1", "h") +
                             "</row>"
                             "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>0</v></c></row>",
                         "<si><t>ok</t></si>");
  GetParam().damage(parts);
  bool ok = true;
  EXPECT_TRUE(Read(parts, &ok).empty());
  EXPECT_FALSE(ok);
  EXPECT_TRUE(Logged(std::string("office-读取excel失败：") + GetParam().failedStep));
  EXPECT_TRUE(LoggedContaining("office-reading \""));
  EXPECT_TRUE(Logged("office-读取excel：解析完毕"));
}

INSTANTIATE_TEST_SUITE_P(
    Damaged, ExcelBrokenXlsxTest,
    ::testing::Values(
        TBrokenCase{"NoWorkbook", [](auto& p) { p.erase("xl/workbook.xml"); }, "打开excel失败"},
        TBrokenCase{"NoWorkbookRels", [](auto& p) { p.erase("xl/_rels/workbook.xml.rels"); },
                    "获取worksheets失败"},
        TBrokenCase{"MalformedWorkbook",
                    [](auto& p) { p["xl/workbook.xml"] = "<workbook><sheets>"; },
                    "获取worksheets失败"},
        TBrokenCase{"NoSheets",
                    [](auto& p) { p["xl/workbook.xml"] = "<workbook><sheets/></workbook>"; },
                    "获取worksheets失败"},
        TBrokenCase{"SheetPartMissing", [](auto& p) { p.erase("xl/worksheets/sheet1.xml"); },
                    "获取sheet失败"},
        TBrokenCase{"MalformedSheet",
                    [](auto& p) { p["xl/worksheets/sheet1.xml"] = "<worksheet><sheetData><row>"; },
                    "获取usedRange失败"},
        TBrokenCase{"SharedStringOutOfRange", [](auto& p) { p["xl/sharedStrings.xml"] = "<sst/>"; },
                    "获取usedRange失败"},
        TBrokenCase{"SharedStringsMissing", [](auto& p) { p.erase("xl/sharedStrings.xml"); },
                    "获取usedRange失败"},
        TBrokenCase{"BadCellReference",
                    [](auto& p) {
                      p["xl/worksheets/sheet1.xml"] =
                          "<worksheet><sheetData><row><c r=\"1A\"><v>1</v></c></row>"
                          "</sheetData></worksheet>";
                    },
                    "获取usedRange失败"},
        TBrokenCase{"BadNumber",
                    [](auto& p) {
                      p["xl/worksheets/sheet1.xml"] =
                          "<worksheet><sheetData><row><c r=\"A1\"><v>12abc</v></c></row>"
                          "</sheetData></worksheet>";
                    },
                    "获取usedRange失败"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ExcelXlsxTest, CorruptZipIsRefused) {
  WriteFile(File("book.xlsx"), std::string("PK\x03\x04", 4) + std::string(500, '\x7f'));
  std::vector<WECHATKUAIJIEDATA> rows;
  EXPECT_FALSE(CExcelReader::__ReadExcelContentByOffice(rows, File("book.xlsx")));
  EXPECT_TRUE(Logged("office-读取excel失败：打开excel失败"));
  EXPECT_TRUE(LoggedContaining("not a readable zip container"));
}

TEST(ExcelEscapes, DecodesOnlyWellFormedEscapes) {
  EXPECT_EQ(DecodeExcelEscapes("a_x000D__x000A_b"), "a\r\nb");
  EXPECT_EQ(DecodeExcelEscapes("_x4E2D_"), "中");
  EXPECT_EQ(DecodeExcelEscapes("_xD83D_"), "\xEF\xBF\xBD");
  EXPECT_EQ(DecodeExcelEscapes("_x00G0_ _x12_ x000D_"), "_x00G0_ _x12_ x000D_");
}

TEST(ExcelRangeRows, UsedRangeOffsetsDuplicatesAndSkippedRows) {
  CExcelRange range;
  range.Add(5, 3, "header");
  range.Add(6, 3, "t1");
  range.Add(6, 3, "t1 again");  // a later cell at the same place wins
  range.Add(7, 5, "third column only");
  range.Add(8, 4, "c3");
  range.Add(9, 3, "");  // empty cells are no cells
  EXPECT_EQ(range.RowCount(), 4u);
  EXPECT_EQ(Pairs(range.DataRows()), (PairList{{"t1 again", ""}, {"", "c3"}}));
  EXPECT_EQ(CExcelRange().RowCount(), 0u);
}

struct TCsvCase {
  const char* name;
  const char* text;
  PairList rows;
};

class ExcelCsvTest : public ::testing::TestWithParam<TCsvCase> {};

TEST_P(ExcelCsvTest, Parses) {
  CExcelRange range;
  ParseExcelCsv(GetParam().text, range);
  EXPECT_EQ(Pairs(range.DataRows()), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ExcelCsvTest,
    ::testing::Values(TCsvCase{"Plain", "h,h\na,b\nc,d\n", {{"a", "b"}, {"c", "d"}}},
                      TCsvCase{"NoFinalNewline", "h,h\na,b", {{"a", "b"}}},
                      TCsvCase{"Crlf", "h,h\r\na,b\r\nc,d\r\n", {{"a", "b"}, {"c", "d"}}},
                      TCsvCase{"Bom", "\xEF\xBB\xBFh,h\na,b\n", {{"a", "b"}}},
                      TCsvCase{"QuotesCommasNewlines",
                               "h,h\n\"a,1\",\"line1\nline2 \"\"q\"\"\"\n",
                               {{"a,1", "line1\nline2 \"q\""}}},
                      TCsvCase{
                          "EmptyFieldsAndRows", "h,h,h\n,b,\n,,x\n\na,,\n", {{"", "b"}, {"a", ""}}},
                      TCsvCase{"Utf8", "标题,内容\n问候,您好😀\n", {{"问候", "您好😀"}}},
                      TCsvCase{"UnterminatedQuote", "h\n\"abc,def\n", {{"abc,def\n", ""}}},
                      TCsvCase{"OnlyHeader", "h,h\n", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ExcelNumberTextTest, PlainForms) {
  EXPECT_EQ(ExcelNumberText(12), "12");
  EXPECT_EQ(ExcelNumberText(3.5), "3.5");
  EXPECT_EQ(ExcelNumberText(-0.0), "0");
  EXPECT_EQ(ExcelNumberText(0.1 + 0.2), "0.3");
  EXPECT_EQ(ExcelNumberText(1.0 / 3), "0.333333333333333");
  EXPECT_EQ(ExcelNumberText(999999999999999), "999999999999999");
  EXPECT_EQ(ExcelNumberText(1e15), "1E+15");
  EXPECT_EQ(ExcelNumberText(-1.5e-12), "-1.5E-12");
  EXPECT_EQ(ExcelNumberText(0.00012), "0.00012");
  EXPECT_EQ(ExcelNumberText(std::nan("")), "#NUM!");
}

TEST(ExcelDateTest, FormatsAndRange) {
  EXPECT_TRUE(IsExcelDateFormat("yyyy-mm-dd"));
  EXPECT_TRUE(IsExcelDateFormat("[h]:mm:ss"));
  EXPECT_FALSE(IsExcelDateFormat("General"));
  EXPECT_FALSE(IsExcelDateFormat("0.00"));
  EXPECT_FALSE(IsExcelDateFormat("\"day\" 0"));
  EXPECT_FALSE(IsExcelDateFormat("[Red]#,##0"));
  EXPECT_FALSE(IsExcelDateFormat("0.00E+00"));
  EXPECT_FALSE(IsExcelDateFormat("#,##0.00_);[Red](#,##0.00)"));
  EXPECT_EQ(FormatExcelDate(1, "yyyy-mm-dd", false), "1900-01-01");
  EXPECT_EQ(FormatExcelDate(59, "yyyy-mm-dd", false), "1900-02-28");
  EXPECT_EQ(FormatExcelDate(60, "yyyy-mm-dd", false), "1900-02-29");
  EXPECT_EQ(FormatExcelDate(61, "yyyy-mm-dd", false), "1900-03-01");
  EXPECT_EQ(FormatExcelDate(2958465, "yyyy-mm-dd", false), "9999-12-31");
  EXPECT_EQ(FormatExcelDate(2958466, "yyyy-mm-dd", false), "");
  EXPECT_EQ(FormatExcelDate(-1, "yyyy-mm-dd", false), "");
  EXPECT_EQ(FormatExcelDate(45365.5, "h:mm:ss", false), "12:00:00");
  EXPECT_EQ(FormatExcelDate(45365.999999, "hh:mm", false), "23:59");
  EXPECT_EQ(FormatExcelDate(1.5, "[h]:mm", false), "36:00");
  EXPECT_EQ(FormatExcelDate(45365, "m/d/yy", false), "3/14/24");
  EXPECT_EQ(FormatExcelDate(45365, "mmm d, aaaa", false), "Mar 14, 星期四");
  EXPECT_EQ(FormatExcelDate(45365.25, "上午/下午h\"时\"mm\"分\"", false), "上午6时00分");
  EXPECT_EQ(FormatExcelDate(45365.0000116, "mm:ss.0", false), "00:01.0");
  EXPECT_EQ(FormatExcelDate(45365, BuiltinExcelFormat(31), false), "2024年3月14日");
}

}  // namespace

namespace {

TEST(ExcelXlsReport, RoundTripsStepsAndCells) {
  CExcelXlsReport report;
  for (std::size_t i = 0; i < CExcelXlsReport::kStepCount; ++i) report.AddStep("");
  report.AddCell(0, 1, "标题");
  report.AddCell(70000, 255, std::string("a\0b", 3));
  CExcelXlsReport decoded;
  EXPECT_TRUE(decoded.Decode(report.Encode()));
  EXPECT_EQ(decoded.StepErrors().size(), CExcelXlsReport::kStepCount);
  ASSERT_EQ(decoded.Cells().size(), 2u);
  EXPECT_EQ(decoded.Cells()[1].row, 70000u);
  EXPECT_EQ(decoded.Cells()[1].column, 255u);
  EXPECT_EQ(decoded.Cells()[1].text, std::string("a\0b", 3));
}

TEST(ExcelXlsReport, AFailedStepEndsTheReport) {
  CExcelXlsReport report;
  report.AddStep("");
  report.AddStep("no worksheet");
  CExcelXlsReport decoded;
  EXPECT_TRUE(decoded.Decode(report.Encode()));
  EXPECT_EQ(decoded.StepErrors(), (std::vector<std::string>{"", "no worksheet"}));
}

TEST(ExcelXlsReport, AReportCutShortKeepsOnlyTheWholeSteps) {
  CExcelXlsReport report;
  for (std::size_t i = 0; i < CExcelXlsReport::kStepCount; ++i) report.AddStep("");
  report.AddCell(1, 0, "some text");
  const std::string data = report.Encode();
  for (std::size_t cut = 0; cut < data.size(); ++cut) {
    if (cut == CExcelXlsReport::kStepCount) continue;  // the steps of an empty sheet, whole
    CExcelXlsReport decoded;
    EXPECT_FALSE(decoded.Decode(data.substr(0, cut))) << cut;
    EXPECT_LT(decoded.StepErrors().size(), CExcelXlsReport::kStepCount) << cut;
    EXPECT_TRUE(decoded.Cells().empty()) << cut;
  }
}

}  // namespace

namespace {

TEST(ExcelFileKind, CleanTextChecks) {
  EXPECT_TRUE(IsCleanUtf8Text("标题,内容\t😀\r\n"));
  EXPECT_FALSE(IsCleanUtf8Text(std::string("a\0b", 3)));
  EXPECT_FALSE(IsCleanUtf8Text("a\x1b[0m"));
  EXPECT_FALSE(IsCleanUtf8Text("\xC2\x85"));      // C1 control
  EXPECT_FALSE(IsCleanUtf8Text("\xC0\xAF"));      // over-long
  EXPECT_FALSE(IsCleanUtf8Text("\xED\xA0\x80"));  // surrogate
  EXPECT_FALSE(IsCleanUtf8Text("\xE6\xA0"));      // cut short
  EXPECT_TRUE(IsCleanGbkText("\xB1\xEA\xCC\xE2,\x80\n"));
  EXPECT_FALSE(IsCleanGbkText("\xB1"));
  EXPECT_FALSE(IsCleanGbkText("\xB1\x7F"));
  EXPECT_FALSE(IsCleanGbkText("a\x01"));
}

TEST_F(ExcelXlsxTest, FileKindsAreToldByTheirBytes) {
  std::string reason;
  EXPECT_EQ(ExcelFileKindOf(DataFile("excel_fixture.xls"), reason), EExcelFileKind::Biff);
  EXPECT_EQ(ExcelFileKindOf(DataFile("excel_fixture.fods"), reason),
            EExcelFileKind::FlatOpenDocument);
  WriteZip(File("book.xlsx"), XlsxParts(""));
  EXPECT_EQ(ExcelFileKindOf(File("book.xlsx"), reason), EExcelFileKind::OfficeOpenXml);
  WriteZip(File("book.ods"), {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}});
  EXPECT_EQ(ExcelFileKindOf(File("book.ods"), reason), EExcelFileKind::OpenDocument);
  WriteZip(File("text.odt"), {{"mimetype", "application/vnd.oasis.opendocument.text"}});
  EXPECT_EQ(ExcelFileKindOf(File("text.odt"), reason), EExcelFileKind::Unknown);
  WriteFile(File("a.csv"), "\xEF\xBB\xBFh,h\n");
  EXPECT_EQ(ExcelFileKindOf(File("a.csv"), reason), EExcelFileKind::CsvUtf8);
  WriteFile(File("b.CSV"), "\xB1\xEA,\xCC\xE2\n");
  EXPECT_EQ(ExcelFileKindOf(File("b.CSV"), reason), EExcelFileKind::CsvGbk);
  WriteFile(File("c.csv"), std::string("h,\0\n", 4));
  EXPECT_EQ(ExcelFileKindOf(File("c.csv"), reason), EExcelFileKind::Unknown);
  WriteFile(File("d.xlsx"), "h,h\n");
  EXPECT_EQ(ExcelFileKindOf(File("d.xlsx"), reason), EExcelFileKind::Unknown);
  WriteFile(File("e.xml"),
            "<?xml version=\"1.0\"?><Workbook "
            "xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\"/>");
  EXPECT_EQ(ExcelFileKindOf(File("e.xml"), reason), EExcelFileKind::SpreadsheetXml2003);
}

}  // namespace
