// DuiLib's string: 8-bit text (UTF-8 here). Header-only so that code below the UI
// library (settings, server client) can use it without Qt.
#pragma once

#include "platform/log/Format.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <strings.h>
#include <vector>

namespace DuiLib {

class CDuiString {
 public:
  CDuiString() = default;
  CDuiString(const char* text) : text_(text ? text : "") {}
  CDuiString(const char* text, int length)
      : text_(text ? std::string(text, text + std::max(length, 0)) : "") {}
  CDuiString(const std::string& text) : text_(text) {}
  CDuiString(char ch) : text_(1, ch) {}

  void Empty() { text_.clear(); }
  int GetLength() const { return static_cast<int>(text_.size()); }
  bool IsEmpty() const { return text_.empty(); }
  char GetAt(int index) const { return text_[static_cast<size_t>(index)]; }
  void SetAt(int index, char ch) { text_[static_cast<size_t>(index)] = ch; }
  void Append(const char* text) { text_ += text ? text : ""; }
  void Assign(const char* text, int length = -1) {
    if (!text)
      text_.clear();
    else if (length < 0)
      text_ = text;
    else
      text_.assign(text, static_cast<size_t>(length));
  }
  const char* GetData() const { return text_.c_str(); }
  operator const char*() const { return text_.c_str(); }
  const std::string& str() const { return text_; }

  CDuiString& operator=(const char* text) {
    text_ = text ? text : "";
    return *this;
  }
  CDuiString& operator=(const std::string& text) {
    text_ = text;
    return *this;
  }
  CDuiString& operator+=(const CDuiString& other) {
    text_ += other.text_;
    return *this;
  }
  CDuiString& operator+=(const char* text) {
    text_ += text ? text : "";
    return *this;
  }
  CDuiString& operator+=(char ch) {
    text_ += ch;
    return *this;
  }
  friend CDuiString operator+(const CDuiString& a, const CDuiString& b) {
    return CDuiString(a.text_ + b.text_);
  }
  friend CDuiString operator+(const CDuiString& a, const char* b) {
    return CDuiString(a.text_ + (b ? b : ""));
  }
  friend CDuiString operator+(const char* a, const CDuiString& b) {
    return CDuiString((a ? a : "") + b.text_);
  }
  bool operator==(const CDuiString& other) const { return text_ == other.text_; }
  bool operator==(const char* other) const { return text_ == (other ? other : ""); }
  bool operator!=(const CDuiString& other) const { return text_ != other.text_; }
  bool operator!=(const char* other) const { return !(*this == other); }
  bool operator<(const CDuiString& other) const { return text_ < other.text_; }

  int Compare(const char* other) const { return text_.compare(other ? other : ""); }
  int CompareNoCase(const char* other) const {
    return strcasecmp(text_.c_str(), other ? other : "");
  }
  void MakeUpper() {
    for (auto& c : text_) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  void MakeLower() {
    for (auto& c : text_) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  CDuiString Left(int length) const {
    return CDuiString(text_.substr(0, static_cast<size_t>(std::clamp(length, 0, GetLength()))));
  }
  CDuiString Mid(int pos, int length = -1) const {
    if (pos < 0) pos = 0;
    if (pos > GetLength()) return CDuiString();
    return CDuiString(length < 0
                          ? text_.substr(static_cast<size_t>(pos))
                          : text_.substr(static_cast<size_t>(pos), static_cast<size_t>(length)));
  }
  CDuiString Right(int length) const {
    length = std::clamp(length, 0, GetLength());
    return CDuiString(text_.substr(text_.size() - static_cast<size_t>(length)));
  }
  int Find(char ch, int start = 0) const {
    return ToIndex(text_.find(ch, static_cast<size_t>(std::max(start, 0))));
  }
  int Find(const char* sub, int start = 0) const {
    return ToIndex(text_.find(sub ? sub : "", static_cast<size_t>(std::max(start, 0))));
  }
  int ReverseFind(char ch) const { return ToIndex(text_.rfind(ch)); }
  int Replace(const char* from, const char* to) {
    if (!from || !*from) return 0;
    const std::string f(from), t(to ? to : "");
    int count = 0;
    for (size_t pos = text_.find(f); pos != std::string::npos;
         pos = text_.find(f, pos + t.size())) {
      text_.replace(pos, f.size(), t);
      ++count;
    }
    return count;
  }
  // An invalid format leaves the text as it was.
  int Format(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    va_list args;
    va_start(args, format);
    tclog::FormatV(text_, format, args);
    va_end(args);
    return GetLength();
  }

 private:
  static int ToIndex(size_t pos) { return pos == std::string::npos ? -1 : static_cast<int>(pos); }
  std::string text_;
};

}  // namespace DuiLib
