// Any bytes as the workbook stream of a sound compound document, read by the .xls helper's
// BIFF record reader in process: the container is written by libgsf around the input, so that
// the fuzzer works on records (BOF, globals, SST and CONTINUE, cell records) rather than on
// the container's sector chains. The report must then survive its trip to the import: what
// the helper encodes decodes to the same steps and cells.
#include "excel/ExcelXlsReport.h"
#include "excel/xlsreader/XlsWorkbookReader.h"

#include <gsf/gsf.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace {

// The input as the stream "Workbook" of a compound document at path.
bool writeCompoundDocument(const std::string& path, const std::uint8_t* data, std::size_t size) {
  GError* error = nullptr;
  GsfOutput* sink = gsf_output_stdio_new(path.c_str(), &error);
  if (error) g_error_free(error);
  if (!sink) return false;
  GsfOutfile* ole = gsf_outfile_msole_new(sink);
  GsfOutput* book = gsf_outfile_new_child(ole, "Workbook", FALSE);
  const bool ok = gsf_output_write(book, size, data) && gsf_output_close(book);
  g_object_unref(book);
  gsf_output_close(GSF_OUTPUT(ole));
  g_object_unref(ole);
  gsf_output_close(sink);
  g_object_unref(sink);
  return ok;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  gsf_init();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = "/tmp/xls-biff-fuzz-" + std::to_string(::getpid()) + ".xls";
  if (!writeCompoundDocument(path, data, size)) return 0;
  CExcelXlsReport report;
  CXlsWorkbookReader().Read(path, report);
  std::remove(path.c_str());

  CExcelXlsReport decoded;
  if (!decoded.Decode(report.Encode()) || decoded.StepErrors() != report.StepErrors() ||
      decoded.Cells().size() != report.Cells().size())
    std::abort();
  for (std::size_t i = 0; i < report.Cells().size(); ++i) {
    const auto& a = report.Cells()[i];
    const auto& b = decoded.Cells()[i];
    if (a.row != b.row || a.column != b.column || a.text != b.text) std::abort();
  }
  return 0;
}
