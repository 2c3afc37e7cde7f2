#include "excel/ExcelSharedStrings.h"

#include "excel/ExcelXlsx.h"

#include <cstring>

void CSharedStringsSink::Start(const char* name, const char**) {
  if (std::strcmp(name, "si") == 0) {
    m_bInItem = true;
    m_sItem.clear();
  } else if (std::strcmp(name, "rPh") == 0) {
    ++m_nPhonetic;
  } else if (std::strcmp(name, "t") == 0) {
    m_bInText = m_bInItem && m_nPhonetic == 0;
  }
}

void CSharedStringsSink::End(const char* name) {
  if (std::strcmp(name, "t") == 0) {
    m_bInText = false;
  } else if (std::strcmp(name, "rPh") == 0) {
    --m_nPhonetic;
  } else if (std::strcmp(name, "si") == 0 && m_bInItem) {
    m_strings.push_back(DecodeExcelEscapes(m_sItem));
    m_bInItem = false;
  }
}

void CSharedStringsSink::Text(const char* text, std::size_t length) {
  if (m_bInText) m_sItem.append(text, length);
}
