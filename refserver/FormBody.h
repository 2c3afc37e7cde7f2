#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace refserver {

// A parsed form body: key to percent-decoded UTF-8 value.
//
// The workbench writes its form bodies without escaping the values, in a fixed key order
// per request ("message=" json "&tokenId=" token). A value may therefore hold "&" or "=".
// When the body has exactly the expected keys in the expected order, each value is taken
// up to the last "&<next key>=", which keeps such values whole; any other body is split
// the usual way on "&" and "=". "+" stays a plus sign: the workbench sends it unescaped,
// and an escaping client writes a blank as %20.
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

// %XX becomes the byte XX; a "%" without two hex digits stays as it is.
std::string PercentDecode(std::string_view text);

// Strict UTF-8 check: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text);

} // namespace refserver
