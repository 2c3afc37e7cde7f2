#include "refserver/MessageJson.h"

#include "refserver/ApiError.h"

#include <charconv>
#include <memory>

namespace refserver {

namespace {

constexpr Json::ArrayIndex kMaxItems = 5;

bool isDetailEntry(const Json::Value& entry) {
  return entry.isObject() && entry["detailType"].isIntegral() && entry["msgDetail"].isString();
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
