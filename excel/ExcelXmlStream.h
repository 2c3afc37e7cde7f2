// Streaming XML for the large parts of a workbook (a sheet, its shared strings): expat calls
// the sink for each element and each piece of text as the bytes arrive, so memory follows
// what the sink keeps, not the size of the part. All text is kept as it stands, spaces too.
#pragma once

#include <cstddef>
#include <string>

// Receives the parse. Names are local names (any "prefix:" removed); attributes come as
// name/value pairs ending with a null, names local too. Text may come in several pieces.
class IXmlSink {
 public:
  virtual ~IXmlSink() = default;
  virtual void Start(const char* name, const char** attributes) = 0;
  virtual void End(const char* name) = 0;
  virtual void Text(const char* text, std::size_t length) = 0;
  // A sink that found the content unusable says why; the parse stops there.
  virtual bool Failed(std::string& error) const = 0;
};

class CXmlStream {
 public:
  explicit CXmlStream(IXmlSink& sink);
  CXmlStream(const CXmlStream&) = delete;
  CXmlStream& operator=(const CXmlStream&) = delete;
  ~CXmlStream();

  // Parses the next piece of the document (`last` for the end). False with the reason when
  // the XML is malformed or the sink failed.
  bool Feed(const char* data, std::size_t size, bool last, std::string& error);

  // The value of the attribute with the local name `name`, or null.
  static const char* Attribute(const char** attributes, const char* name);

 private:
  struct TParser;
  TParser* m_pParser;
};
