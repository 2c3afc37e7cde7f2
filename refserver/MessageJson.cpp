#include "refserver/MessageJson.h"

#include "refserver/ApiError.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <string_view>

namespace refserver {

namespace {

constexpr Json::ArrayIndex kMaxItems = 5;

bool isDetailEntry(const Json::Value& entry) {
  return entry.isObject() && entry["detailType"].isIntegral() && entry["msgDetail"].isString();
}

// Whether a string anywhere in the value, or a member name, holds a NUL ("\u0000").
bool holdsNul(const Json::Value& value) {
  if (value.isString()) return value.asString().find('\0') != std::string::npos;
  if (value.isArray())
    return std::any_of(value.begin(), value.end(),
                       [](const Json::Value& v) { return holdsNul(v); });
  if (!value.isObject()) return false;
  for (const std::string& name : value.getMemberNames())
    if (name.find('\0') != std::string::npos || holdsNul(value[name])) return true;
  return false;
}

}  // namespace

Json::Value ParseMessageObject(const std::string& text) {
  Json::CharReaderBuilder builder;
  builder["collectComments"] = false;
  builder["rejectDupKeys"] = true;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value message;
  std::string errors;
  if (!reader->parse(text.data(), text.data() + text.size(), &message, &errors) ||
      !message.isObject())
    throw CApiError(RC_BAD_MESSAGE, "message");
  const Json::Value& title = message["contentTitle"];
  if (!title.isString() || title.asString().empty())
    throw CApiError(RC_BAD_MESSAGE, "contentTitle");
  const Json::Value& items = message["msgDetailList"];
  if (!items.isArray() || items.empty() || items.size() > kMaxItems)
    throw CApiError(RC_BAD_MESSAGE, "msgDetailList");
  for (const Json::Value& entry : items)
    if (!isDetailEntry(entry)) throw CApiError(RC_BAD_MESSAGE, "msgDetailList");
  if (holdsNul(message)) throw CApiError(RC_BAD_MESSAGE, "message");
  return message;
}

std::int64_t ParseId(const std::string& text) {
  std::int64_t id = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), id);
  if (ec != std::errc() || end != text.data() + text.size() || id <= 0) return 0;
  return id;
}

std::int64_t ParseId(const Json::Value& value) {
  if (value.isString()) return ParseId(value.asString());
  if (value.isIntegral() && value.isInt64() && value.asInt64() > 0) return value.asInt64();
  return 0;
}

std::string WriteCompact(const Json::Value& value) {
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "";
  builder["emitUTF8"] = true;
  return Json::writeString(builder, value);
}

bool HasPictureItem(const std::string& compactMessage) {
  // WriteCompact writes a picture item's type as "detailType":2; a non-compact or
  // differently typed object is caught by the parse that follows a true answer.
  static constexpr std::string_view kMarker = "\"detailType\":";
  for (size_t at = compactMessage.find(kMarker); at != std::string::npos;
       at = compactMessage.find(kMarker, at + 1)) {
    const size_t value = compactMessage.find_first_not_of(' ', at + kMarker.size());
    if (value != std::string::npos && compactMessage[value] != '1') return true;
  }
  return false;
}

void PointPicturesAt(Json::Value& message, const std::string& downloadBase) {
  Json::Value& items = message["msgDetailList"];
  if (!items.isArray()) return;
  for (Json::Value& entry : items) {
    if (!entry.isObject() || !entry["detailType"].isIntegral() ||
        entry["detailType"].asInt64() != 2 || !entry["msgDetail"].isString())
      continue;
    entry["downLoadURL"] = downloadBase + entry["msgDetail"].asString();
  }
}

}  // namespace refserver
