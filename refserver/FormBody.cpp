#include "refserver/FormBody.h"

namespace refserver {

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string PercentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
        hexValue(text[i + 2]) >= 0) {
      out.push_back(static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2])));
      i += 2;
    } else if (text[i] == '+') {
      out.push_back(' ');
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

std::string PercentEncode(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3);
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

bool IsValidUtf8(std::string_view text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  for (size_t i = 0; i < n;) {
    const unsigned c = s[i];
    size_t len = 0;
    unsigned min = 0;
    unsigned cp = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      len = 2, min = 0x80, cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      len = 3, min = 0x800, cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      len = 4, min = 0x10000, cp = c & 0x07;
    } else {
      return false;
    }
    if (i + len > n) return false;
    for (size_t k = 1; k < len; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += len;
  }
  return true;
}

CFormBody CFormBody::Parse(std::string_view body, const std::vector<std::string>& orderedKeys) {
  CFormBody form;
  if (!form.ParseOrdered(body, orderedKeys)) form.ParseSplit(body);
  return form;
}

const std::string* CFormBody::Find(const std::string& key) const {
  const auto it = m_mapValues.find(key);
  return it == m_mapValues.end() ? nullptr : &it->second;
}

bool CFormBody::IsValidUtf8() const {
  for (const auto& [key, value] : m_mapValues)
    if (!refserver::IsValidUtf8(key) || !refserver::IsValidUtf8(value)) return false;
  return true;
}

// Works from the end: the last key's value runs to the end of the body, each earlier
// value up to the last "&<next key>=" before it. The first key must open the body.
bool CFormBody::ParseOrdered(std::string_view body, const std::vector<std::string>& keys) {
  if (keys.empty()) return false;
  std::map<std::string, std::string> values;
  std::string_view rest = body;
  for (size_t k = keys.size() - 1; k > 0; --k) {
    const std::string marker = "&" + keys[k] + "=";
    const size_t at = rest.rfind(marker);
    if (at == std::string_view::npos) return false;
    values[keys[k]] = PercentDecode(rest.substr(at + marker.size()));
    rest = rest.substr(0, at);
  }
  const std::string first = keys[0] + "=";
  if (rest.substr(0, first.size()) != first) return false;
  values[keys[0]] = PercentDecode(rest.substr(first.size()));
  m_mapValues = std::move(values);
  return true;
}

void CFormBody::ParseSplit(std::string_view body) {
  size_t start = 0;
  while (start <= body.size()) {
    size_t end = body.find('&', start);
    if (end == std::string_view::npos) end = body.size();
    const std::string_view pair = body.substr(start, end - start);
    if (!pair.empty()) {
      const size_t eq = pair.find('=');
      const std::string key = PercentDecode(pair.substr(0, eq));
      const std::string value =
          eq == std::string_view::npos ? std::string() : PercentDecode(pair.substr(eq + 1));
      m_mapValues.emplace(key, value);  // the first occurrence of a key wins
    }
    start = end + 1;
  }
}

}  // namespace refserver
