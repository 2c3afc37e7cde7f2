// A parsed application/x-www-form-urlencoded body: key to decoded UTF-8 value.
//
// Each request has a fixed key order ("message=" json "&tokenId=" token). A client that
// does not escape its values may send "&" or "=" inside one; so when the body holds the
// expected keys in the expected order, each value is taken up to the last "&<next key>=",
// which keeps such a value whole. Any other body is split the usual way on "&" and "=".
//
// A parsed body is a plain value; the functions below keep no state.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace refserver {

class CFormBody {
 public:
  static CFormBody Parse(std::string_view body, const std::vector<std::string>& orderedKeys);

  // The value, or nullptr when the key is absent.
  const std::string* Find(const std::string& key) const;
  // True when every key and value is valid UTF-8.
  bool IsValidUtf8() const;
  const std::map<std::string, std::string>& Values() const { return m_mapValues; }

 private:
  bool ParseOrdered(std::string_view body, const std::vector<std::string>& keys);
  void ParseSplit(std::string_view body);

  std::map<std::string, std::string> m_mapValues;
};

// Form decoding: "+" becomes a blank, %XX the byte XX; a "%" without two hex digits stays.
std::string PercentDecode(std::string_view text);
// Form encoding as strict as it gets: every byte but ASCII letters and digits as %XX.
std::string PercentEncode(std::string_view text);

// Strict UTF-8 check: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text);

}  // namespace refserver
