// What a quick reply is typed as: the item list handed to the instance manager.
//
// A message object becomes, in the order of its msgDetailList: for a text item, each text run
// pasted (INPUTDATA type 0) and each picture emoji 1..177 typed as its emoji-table text
// (type 1; other numbers are skipped); for a picture item, the cached picture pasted (type 2,
// its full path). A picture that is neither cached nor downloadable is not an item: it is
// reported in `vecFailedPictures`, so that nobody pastes an empty clipboard in its place.
#pragma once

#include "wechat/WebchatData.h"

#include <json/value.h>

#include <functional>
#include <string>
#include <vector>

struct TShortcutItems {
  std::vector<INPUTDATA> vecItems;
  std::vector<std::string> vecFailedPictures;  // server names of pictures that could not be had
};

class CShortcutItems {
 public:
  // (server name, address) → the local path of the picture, empty when it cannot be had.
  using PictureSource = std::function<std::string(const std::string&, const std::string&)>;

  // The picture cache: fetched when missing, a path only when a non-empty file is there.
  static std::string CachedPicture(const std::string& name, const std::string& url);

  // All items of a message object (JSON text); nothing when it does not parse.
  static TShortcutItems FromMessage(const std::string& json, const PictureSource& pictures);
  // The items of one detail entry (an element of msgDetailList).
  static TShortcutItems FromDetail(const Json::Value& detail, const PictureSource& pictures);
  // The items of a text item's segment list.
  static std::vector<INPUTDATA> FromSegments(const std::string& segmentList);

  // The plain text a message shows: its text runs and emoji texts, in order (UTF-8); for the
  // search box.
  static std::string PlainText(const std::string& json);
};
