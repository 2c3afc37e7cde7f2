#include "server/FormBody.h"

#include "platform/log/Log.h"
#include "platform/win32/CodePage.h"

namespace {

bool keepsAsIs(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '*' ||
         c == '-' || c == '.' || c == '_';
}

}  // namespace

CFormBody& CFormBody::Add(const char* key, const std::string& value) {
  m_vecPairs.emplace_back(key, value);
  return *this;
}

bool CFormBody::Encode(std::string& body) const {
  body.clear();
  for (const auto& [key, value] : m_vecPairs) {
    const std::string utf8 = AnsiToUtf8(value);
    if (utf8.empty() && !value.empty()) {
      TC_LOGF(TC_LOG_ERROR, "The value of \"%s\" is not valid text; nothing is sent.", key.c_str());
      body.clear();
      return false;
    }
    if (!body.empty()) body += '&';
    body += key;
    body += '=';
    body += FormEncode(utf8);
  }
  return true;
}

std::string FormEncode(const std::string& utf8) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(utf8.size() * 3);
  for (const char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    if (keepsAsIs(c)) {
      encoded += ch;
    } else if (c == ' ') {
      encoded += '+';
    } else {
      encoded += '%';
      encoded += kHex[c >> 4];
      encoded += kHex[c & 0x0F];
    }
  }
  return encoded;
}
