// How long the spreadsheet import takes for a 5,000-row sheet (goal: well under a second).
//   build-x/bench/excel/excel_bench
#include "excel/ExcelCsv.h"
#include "excel/ExcelRange.h"
#include "excel/ExcelReader.h"

#include <benchmark/benchmark.h>
#include <log4cplus/logger.h>
#include <xlsxwriter.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace {

constexpr int kRows = 5000;

std::string RowTitle(int i) {
  return "标题 " + std::to_string(i);
}
std::string RowContent(int i) {
  return "您好，这是第 " + std::to_string(i) + " 条快捷回复 😀, with some English text too.";
}

// A workbook with a header, kRows rows of text and a number column, written once and removed
// at exit. The path lives on the heap so that it outlives the static destructors.
const std::string& BookPath() {
  static const std::string* path = [] {
    auto* p = new std::string((std::filesystem::temp_directory_path() /
                               ("excel-bench-" + std::to_string(::getpid()) + ".xlsx"))
                                  .string());
    lxw_workbook* book = workbook_new(p->c_str());
    lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
    worksheet_write_string(sheet, 0, 0, "标题", nullptr);
    worksheet_write_string(sheet, 0, 1, "内容", nullptr);
    worksheet_write_string(sheet, 0, 2, "序号", nullptr);
    for (int i = 1; i <= kRows; ++i) {
      worksheet_write_string(sheet, i, 0, RowTitle(i).c_str(), nullptr);
      worksheet_write_string(sheet, i, 1, RowContent(i).c_str(), nullptr);
      worksheet_write_number(sheet, i, 2, i * 1.5, nullptr);
    }
    workbook_close(book);
    std::atexit([] { std::remove(BookPath().c_str()); });
    return p;
  }();
  return *path;
}

void BM_ReadXlsx5000Rows(benchmark::State& state) {
  log4cplus::Logger::getRoot().setLogLevel(log4cplus::OFF_LOG_LEVEL);
  const std::string& path = BookPath();
  for (auto _ : state) {
    auto rows = CExcelReader::ReadExcelContent(path);
    if (rows.size() != kRows) state.SkipWithError("wrong row count");
    benchmark::DoNotOptimize(rows);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_ReadXlsx5000Rows)->Unit(benchmark::kMillisecond);

// The second reader on the same file: one LibreOffice start and conversion per iteration.
void BM_ReadXlsx5000RowsWithLibreOffice(benchmark::State& state) {
  log4cplus::Logger::getRoot().setLogLevel(log4cplus::OFF_LOG_LEVEL);
  const std::string& path = BookPath();
  for (auto _ : state) {
    std::vector<WECHATKUAIJIEDATA> rows;
    if (!CExcelReader::__ReadExcelContentByWps(rows, path) || rows.size() != kRows) {
      state.SkipWithError("LibreOffice is missing or read the sheet wrongly");
      break;
    }
  }
}
BENCHMARK(BM_ReadXlsx5000RowsWithLibreOffice)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_ParseCsv5000Rows(benchmark::State& state) {
  std::string csv = "标题,内容,序号\n";
  for (int i = 1; i <= kRows; ++i)
    csv += RowTitle(i) + ",\"" + RowContent(i) + "\"," + std::to_string(i * 1.5) + "\n";
  for (auto _ : state) {
    CExcelRange range;
    ParseExcelCsv(csv, range);
    auto rows = range.DataRows();
    benchmark::DoNotOptimize(rows);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_ParseCsv5000Rows)->Unit(benchmark::kMillisecond);

}  // namespace
