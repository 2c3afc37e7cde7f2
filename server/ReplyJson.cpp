#include "server/ReplyJson.h"

#include "platform/log/Log.h"

#include <json/reader.h>

#include <memory>

bool ParseReplyObject(const std::string& text, Json::Value& root) {
  root = Json::Value();
  try {
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    if (!reader->parse(text.data(), text.data() + text.size(), &root, &errors)) {
      TC_LOG(TC_LOG_DEBUG, "Reply is not JSON: " << errors);
      return false;
    }
  } catch (const std::exception& error) {  // the reader throws past its nesting limit
    TC_LOG(TC_LOG_WARN, "Reply is not readable JSON: " << error.what());
    return false;
  }
  return root.isObject();
}

const Json::Value* FindMember(const Json::Value& object, const char* key) {
  if (!object.isObject()) return nullptr;
  const Json::Value* member = object.find(key, key + std::char_traits<char>::length(key));
  return member && !member->isNull() ? member : nullptr;
}

std::string TextOf(const Json::Value& value, const char* key) {
  if (!value.isString()) throw CReplyTypeError(std::string("\"") + key + "\" is not a string");
  return value.asString();
}

bool IsInt32(const Json::Value& value) {
  return value.isInt();
}

int Int32Of(const Json::Value& value, const char* key) {
  if (!IsInt32(value))
    throw CReplyTypeError(std::string("\"") + key + "\" is not a 32-bit integer");
  return value.asInt();
}

const Json::Value& ObjectOf(const Json::Value& object, const char* key) {
  if (!object.isObject()) throw CReplyTypeError(std::string("\"") + key + "\" is not an object");
  return object;
}
