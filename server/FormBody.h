// A request body in application/x-www-form-urlencoded form: "key=value" pairs joined with
// "&", in the order they were added. Keys are plain words and stay as they are; every value
// is converted to UTF-8 and percent-encoded, so "&", "=", "+", "%" and spaces in a value
// (a quick message is JSON full of them) reach the server intact.
//
//   CFormBody body;
//   body.Add("phone", phone).Add("password", password);
//   std::string text;
//   if (!body.Encode(text)) ... // a value was not valid text
#pragma once

#include <string>
#include <utility>
#include <vector>

class CFormBody {
 public:
  CFormBody& Add(const char* key, const std::string& value);

  // The encoded body. False (with `body` empty) when a value cannot be converted to UTF-8.
  bool Encode(std::string& body) const;

 private:
  std::vector<std::pair<std::string, std::string>> m_vecPairs;
};

// Percent-encodes UTF-8 text for a form value or a query value: letters, digits and "*-._"
// stay, a space becomes "+", every other byte "%XX".
std::string FormEncode(const std::string& utf8);
