// The quick-message import template: an .xlsx workbook with the header row (title, content)
// and one example row, returned as the file's bytes. workDir receives a temporary file
// (libxlsxwriter writes only to files). Throws std::runtime_error on failure.
//
// Built once at start-up; the bytes are then only read.
#pragma once

#include <string>

namespace refserver {

std::string BuildImportTemplate(const std::string& workDir);

}  // namespace refserver
