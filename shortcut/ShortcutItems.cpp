#include "shortcut/ShortcutItems.h"

#include "platform/win32/CodePage.h"
#include "shortcut/EmojiTable.h"
#include "shortcut/ImageCache.h"
#include "shortcut/ShortcutJson.h"

namespace {

// The detail type, when it is a number (another type makes the entry count for nothing).
int detailTypeOf(const Json::Value& detail) {
  if (!detail.isObject()) return 0;
  const Json::Value& type = detail["detailType"];
  return type.isInt() ? type.asInt() : 0;
}

std::string textMember(const Json::Value& detail, const char* key) {
  const Json::Value& value = detail[key];
  return value.isString() ? value.asString() : std::string();
}

void append(TShortcutItems& to, TShortcutItems&& from) {
  to.vecItems.insert(to.vecItems.end(), from.vecItems.begin(), from.vecItems.end());
  to.vecFailedPictures.insert(to.vecFailedPictures.end(), from.vecFailedPictures.begin(),
                              from.vecFailedPictures.end());
}

}  // namespace

std::string CShortcutItems::CachedPicture(const std::string& name, const std::string& url) {
  const std::string path = CImageCache::GetCachedImage(name, url, true);
  return CImageCache::IsCached(path) ? path : std::string();
}

std::vector<INPUTDATA> CShortcutItems::FromSegments(const std::string& segmentList) {
  std::vector<INPUTDATA> items;
  for (const TShortcutSegment& segment : CShortcutJson::ParseSegments(segmentList)) {
    if (segment.nType == CShortcutJson::kTextSegment) {
      items.push_back({Utf8ToWide(segment.strContent), 0});
    } else if (segment.nType == CShortcutJson::kEmojiSegment) {
      std::u16string emoji = CEmojiTable::Lookup(std::atoi(segment.strContent.c_str()));
      if (!emoji.empty()) items.push_back({std::move(emoji), 1});
    }
  }
  return items;
}

TShortcutItems CShortcutItems::FromDetail(const Json::Value& detail,
                                          const PictureSource& pictures) {
  TShortcutItems result;
  switch (detailTypeOf(detail)) {
    case CShortcutJson::kTextItem:
      if (detail["msgDetail"].isString())
        result.vecItems = FromSegments(detail["msgDetail"].asString());
      break;
    case CShortcutJson::kPictureItem: {
      const std::string name = textMember(detail, "msgDetail");
      const std::string path = pictures ? pictures(name, textMember(detail, "downLoadURL")) : "";
      if (path.empty())
        result.vecFailedPictures.push_back(name);
      else
        result.vecItems.push_back({Utf8ToWide(path), 2});
      break;
    }
    default:
      break;
  }
  return result;
}

TShortcutItems CShortcutItems::FromMessage(const std::string& json, const PictureSource& pictures) {
  TShortcutItems result;
  Json::Value message;
  if (!CShortcutJson::Parse(json, message) || !message.isObject()) return result;
  const Json::Value& details = message["msgDetailList"];
  if (!details.isArray()) return result;
  for (const Json::Value& detail : details) append(result, FromDetail(detail, pictures));
  return result;
}

std::string CShortcutItems::PlainText(const std::string& json) {
  std::string text;
  for (const INPUTDATA& item : FromMessage(json, {}).vecItems)
    if (item.nType != 2) text += WideToUtf8(item.strText);
  return text;
}
