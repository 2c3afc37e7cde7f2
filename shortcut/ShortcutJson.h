// The JSON of quick replies: the message object, its detail entries and the segment lists of
// text items.
//
// Message object, as stored in a message node's user data and sent to the server:
//   {"contentTitle":"...","leftRange":2,"msgContentId":"7","msgDetailList":[...],
//    "msgGroupId":"3","rightRange":200}
// Detail entry: {"detailType":1|2,"downLoadURL":"...","msgDetail":"...","sort":1..5}; a text
// item's msgDetail is a segment list serialised into the string:
//   [{"content":"你好","type":"1"},{"content":"12","type":"2"}]
// (type "1" a run of text, "2" a picture emoji by number; both members are strings).
//
// Writing is compact (no blanks), members sorted by key in byte order, UTF-8 kept as it is
// (never \u escapes) and no line feed at the end. Reading never throws.
#pragma once

#include <json/value.h>

#include <string>
#include <vector>

// One element of a segment list.
struct TShortcutSegment {
  int nType = 0;  // atoi of "type": 1 text, 2 picture emoji
  std::string strContent;
};

class CShortcutJson {
 public:
  static constexpr int kTextItem = 1;
  static constexpr int kPictureItem = 2;
  static constexpr int kTextSegment = 1;
  static constexpr int kEmojiSegment = 2;

  // Parses a whole text (no comments). False, with `out` null, for anything that is not JSON.
  static bool Parse(const std::string& text, Json::Value& out);
  // The compact form described above.
  static std::string Write(const Json::Value& value);

  // An id or title taken as text: a string as it is, an integer in decimal, anything else
  // (absent, null, a fraction, an object) empty. `object` that is not an object gives empty.
  static std::string MemberText(const Json::Value& object, const char* key);

  // The segment list of a text item, in order. Elements without both "type" and "content"
  // (strings, or integers taken as their decimal text) are left out; a text that is not a JSON
  // array gives an empty list.
  static std::vector<TShortcutSegment> ParseSegments(const std::string& text);

  // A one-run segment list for a plain text: [{"content":"...", "type":"1"}] (one blank after
  // the comma). The text is escaped as a JSON string, so quotes, backslashes and line breaks
  // survive; other text comes out byte for byte as it went in.
  static std::string OneRunSegmentList(const std::string& text);

  // The message object of an imported spreadsheet row, written compact: one text item in
  // slot 1, ranges 0, in the group `groupId`.
  static std::string ImportedMessage(const std::string& title, const std::string& content,
                                     const std::string& groupId);
};
