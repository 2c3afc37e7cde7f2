#include "excel/ExcelXmlStream.h"

#include <expat.h>

#include <cstring>
#include <vector>

namespace {

const char* localName(const char* name) {
  const char* colon = std::strrchr(name, ':');
  return colon ? colon + 1 : name;
}

}  // namespace

struct CXmlStream::TParser {
  XML_Parser parser = nullptr;
  IXmlSink* sink = nullptr;
  std::vector<const char*> attributes;  // reused for every element

  static void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** attrs) {
    auto* self = static_cast<TParser*>(data);
    self->attributes.clear();
    for (const XML_Char** a = attrs; a[0] && a[1]; a += 2) {
      self->attributes.push_back(localName(a[0]));
      self->attributes.push_back(a[1]);
    }
    self->attributes.push_back(nullptr);
    self->sink->Start(localName(name), self->attributes.data());
    self->StopIfFailed();
  }

  static void XMLCALL OnEnd(void* data, const XML_Char* name) {
    auto* self = static_cast<TParser*>(data);
    self->sink->End(localName(name));
    self->StopIfFailed();
  }

  static void XMLCALL OnText(void* data, const XML_Char* text, int length) {
    auto* self = static_cast<TParser*>(data);
    self->sink->Text(text, static_cast<std::size_t>(length));
  }

  void StopIfFailed() {
    std::string ignored;
    if (sink->Failed(ignored)) XML_StopParser(parser, XML_FALSE);
  }
};

CXmlStream::CXmlStream(IXmlSink& sink) : m_pParser(new TParser) {
  m_pParser->sink = &sink;
  m_pParser->parser = XML_ParserCreate("UTF-8");
  XML_SetUserData(m_pParser->parser, m_pParser);
  XML_SetElementHandler(m_pParser->parser, &TParser::OnStart, &TParser::OnEnd);
  XML_SetCharacterDataHandler(m_pParser->parser, &TParser::OnText);
}

CXmlStream::~CXmlStream() {
  if (m_pParser->parser) XML_ParserFree(m_pParser->parser);
  delete m_pParser;
}

bool CXmlStream::Feed(const char* data, std::size_t size, bool last, std::string& error) {
  if (!m_pParser->parser) {
    error = "out of memory for the XML parser";
    return false;
  }
  const XML_Status status =
      XML_Parse(m_pParser->parser, data, static_cast<int>(size), last ? XML_TRUE : XML_FALSE);
  if (m_pParser->sink->Failed(error)) return false;
  if (status != XML_STATUS_OK) {
    error = std::string("malformed XML (") + XML_ErrorString(XML_GetErrorCode(m_pParser->parser)) +
            " at line " + std::to_string(XML_GetCurrentLineNumber(m_pParser->parser)) + ")";
    return false;
  }
  return true;
}

const char* CXmlStream::Attribute(const char** attributes, const char* name) {
  for (const char** a = attributes; a[0]; a += 2) {
    if (std::strcmp(a[0], name) == 0) return a[1];
  }
  return nullptr;
}
