// The shared-strings part of an .xlsx (<sst>), read as a stream: the text of each <si> item,
// plain or made of rich-text runs, spaces kept. Phonetic runs (<rPh>) are reading aids, not
// part of the text.
#pragma once

#include "excel/ExcelXmlStream.h"

#include <string>
#include <vector>

class CSharedStringsSink : public IXmlSink {
 public:
  explicit CSharedStringsSink(std::vector<std::string>& strings) : m_strings(strings) {}

  void Start(const char* name, const char** attributes) override;
  void End(const char* name) override;
  void Text(const char* text, std::size_t length) override;
  bool Failed(std::string&) const override { return false; }

 private:
  std::vector<std::string>& m_strings;
  std::string m_sItem;
  bool m_bInItem = false;
  bool m_bInText = false;
  int m_nPhonetic = 0;
};
