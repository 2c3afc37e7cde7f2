// Quick-reply import from a spreadsheet: one reply per row of the first worksheet, the title
// in the first column of the used range and the text in the second, under a header row.
//
//   std::vector<WECHATKUAIJIEDATA> rows = CExcelReader::ReadExcelContent("/home/u/replies.xlsx");
//   // rows.empty() means nothing was imported; the log says why.
//
// Two readers are tried in turn, each logging its steps with its own prefix:
//   "office-"  reads .xlsx/.xlsm (zip + XML) and .xls (BIFF) itself, in process;
//   "wps-"     converts the file to CSV with an installed LibreOffice (headless, private
//              profile, temporary folder, time-out), which also covers .ods, .et and .csv.
// Neither ever throws, and neither leaves a temporary file or a child process behind.
#pragma once

#include <string>
#include <vector>

// One imported row; both texts are UTF-8, empty when the cell is empty.
struct WECHATKUAIJIEDATA {
  std::string strTitle;
  std::string strContent;
};

class CExcelReader {
 public:
  // Runs the "office-" reader and, when that yields nothing, the "wps-" reader.
  // Returns the rows in sheet order; empty when neither reader found a data row.
  static std::vector<WECHATKUAIJIEDATA> ReadExcelContent(const std::string& path);

  // Each reader: true when at least one data row was read into `rows`; on false `rows`
  // is emptied. Rows of the used range whose first two cells are both empty are skipped;
  // a one-column sheet gives titles with empty contents.
  static bool __ReadExcelContentByOffice(std::vector<WECHATKUAIJIEDATA>& rows,
                                         const std::string& path);
  static bool __ReadExcelContentByWps(std::vector<WECHATKUAIJIEDATA>& rows,
                                      const std::string& path);
};
