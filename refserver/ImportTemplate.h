#pragma once

#include <string>

namespace refserver {

// The quick-message import template: an .xlsx workbook with the header row (title, content)
// and one example row, returned as the file's bytes. workDir receives a temporary file
// (libxlsxwriter writes only to files). Throws std::runtime_error on failure.
std::string BuildImportTemplate(const std::string& workDir);

}  // namespace refserver
