#include "shortcut/ShortcutJson.h"

#include <json/reader.h>
#include <json/writer.h>

#include <cstdlib>
#include <memory>

namespace {

const Json::StreamWriterBuilder& compactWriter() {
  static const Json::StreamWriterBuilder builder = [] {
    Json::StreamWriterBuilder b;
    b["indentation"] = "";
    b["emitUTF8"] = true;
    b["commentStyle"] = "None";
    return b;
  }();
  return builder;
}

// A JSON string literal's inner text: what goes between the quotes.
std::string escapedInner(const std::string& text) {
  const std::string quoted = Json::writeString(compactWriter(), Json::Value(text));
  return quoted.substr(1, quoted.size() - 2);
}

bool isTextOrInteger(const Json::Value& value) {
  return value.isString() || value.isInt64() || value.isUInt64();
}

}  // namespace

bool CShortcutJson::Parse(const std::string& text, Json::Value& out) {
  Json::CharReaderBuilder builder;
  builder["allowComments"] = false;
  builder["collectComments"] = false;
  builder["failIfExtra"] = true;
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  out = Json::Value();
  try {
    if (reader->parse(text.data(), text.data() + text.size(), &out, nullptr)) return true;
  } catch (const std::exception&) {
    // Nesting too deep and the like: not a message.
  }
  out = Json::Value();
  return false;
}

std::string CShortcutJson::Write(const Json::Value& value) {
  return Json::writeString(compactWriter(), value);
}

std::string CShortcutJson::MemberText(const Json::Value& object, const char* key) {
  if (!object.isObject()) return {};
  const Json::Value* member = object.find(key, key + std::char_traits<char>::length(key));
  if (!member) return {};
  if (member->isString()) return member->asString();
  if (member->isInt64()) return std::to_string(member->asInt64());
  if (member->isUInt64()) return std::to_string(member->asUInt64());
  return {};
}

std::vector<TShortcutSegment> CShortcutJson::ParseSegments(const std::string& text) {
  std::vector<TShortcutSegment> segments;
  Json::Value list;
  if (!Parse(text, list) || !list.isArray()) return segments;
  for (const Json::Value& element : list) {
    if (!element.isObject()) continue;
    // Written as strings; a number is taken as its decimal text, as the reader always did.
    const bool complete = isTextOrInteger(element["type"]) && isTextOrInteger(element["content"]);
    if (!complete) continue;
    segments.push_back(
        {std::atoi(MemberText(element, "type").c_str()), MemberText(element, "content")});
  }
  return segments;
}

std::string CShortcutJson::OneRunSegmentList(const std::string& text) {
  return "[{\"content\":\"" + escapedInner(text) + "\", \"type\":\"1\"}]";
}

std::string CShortcutJson::ImportedMessage(const std::string& title, const std::string& content,
                                           const std::string& groupId) {
  Json::Value detail(Json::objectValue);
  detail["detailType"] = kTextItem;
  detail["msgDetail"] = OneRunSegmentList(content);
  detail["sort"] = 1;
  Json::Value message(Json::objectValue);
  message["contentTitle"] = title;
  message["leftRange"] = 0;
  message["msgDetailList"] = Json::Value(Json::arrayValue);
  message["msgDetailList"].append(detail);
  message["msgGroupId"] = groupId;
  message["rightRange"] = 0;
  return Write(message);
}
