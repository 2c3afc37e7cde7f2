// The picture emoji of quick replies and what each is typed into the chat client as.
//
// Entry n (1 to 177) is the text for picture emoji n: one Unicode character for most, the
// client's own bracketed text code for eight of them ("[红包]"). Segment lists store the
// number; the send and cite paths look the text up here. The table is built once, on first
// use, and never changes; any thread may read it.
#pragma once

#include <string>

class CEmojiTable {
 public:
  static constexpr int kFirst = 1;
  static constexpr int kLast = 177;

  // The UTF-16 text of emoji n, or an empty string when n is outside 1..177.
  static std::u16string Lookup(int n);
  // The same as UTF-8.
  static std::string LookupUtf8(int n);
};
