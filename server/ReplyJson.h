// Reading the server's JSON replies. Nothing here lets an exception out to the operations
// except CReplyTypeError, which an operation turns into "the reply could not be parsed".
#pragma once

#include <json/value.h>

#include <stdexcept>
#include <string>

// A member that is present but has the wrong JSON type.
class CReplyTypeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parses `text` into `root`. False for anything but a JSON object (an empty body, an HTML
// page, a bare number, nesting too deep).
bool ParseReplyObject(const std::string& text, Json::Value& root);

// The member `key` of `object` when it is present and not null, else nullptr. An `object`
// that is not a JSON object has no members; `object` null has none either.
const Json::Value* FindMember(const Json::Value& object, const char* key);

// The member's value as a UTF-8 string / 32-bit integer; CReplyTypeError for another type.
std::string TextOf(const Json::Value& value, const char* key);
int Int32Of(const Json::Value& value, const char* key);
// True when `value` is an integer that fits 32 bits.
bool IsInt32(const Json::Value& value);
// `object` itself must be a JSON object; CReplyTypeError otherwise.
const Json::Value& ObjectOf(const Json::Value& object, const char* key);
