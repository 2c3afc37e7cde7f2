#include "refserver/ImportTemplate.h"

#include "refserver/PasswordHasher.h"

#include <xlsxwriter.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace refserver {

namespace {

void writeSheet(lxw_workbook* book) {
  lxw_worksheet* sheet = workbook_add_worksheet(book, "快捷语");
  lxw_format* header = workbook_add_format(book);
  format_set_bold(header);
  worksheet_set_column(sheet, 0, 0, 24, nullptr);
  worksheet_set_column(sheet, 1, 1, 60, nullptr);
  worksheet_write_string(sheet, 0, 0, "快捷语标题", header);
  worksheet_write_string(sheet, 0, 1, "快捷语内容", header);
  worksheet_write_string(sheet, 1, 0, "欢迎语", nullptr);
  worksheet_write_string(sheet, 1, 1, "您好，欢迎光临本店，请问有什么可以帮您？", nullptr);
}

}  // namespace

std::string BuildImportTemplate(const std::string& workDir) {
  const std::string path = workDir + "/template-" + CPasswordHasher::RandomHex(8) + ".xlsx";
  lxw_workbook* book = workbook_new(path.c_str());
  if (!book) throw std::runtime_error("cannot create " + path);
  writeSheet(book);
  const lxw_error error = workbook_close(book);
  if (error != LXW_NO_ERROR) {
    std::remove(path.c_str());
    throw std::runtime_error(std::string("cannot write the import template: ") +
                             lxw_strerror(error));
  }
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::remove(path.c_str());
  if (bytes.empty()) throw std::runtime_error("import template is empty");
  return bytes;
}

}  // namespace refserver
