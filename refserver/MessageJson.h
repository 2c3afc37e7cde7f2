// JSON helpers for the quick-message objects the workbench sends and lists.
//
// Functions of their arguments only, safe from any thread.
#pragma once

#include <json/json.h>

#include <cstdint>
#include <string>

namespace refserver {

// Parses a message object and checks what the list needs of it: a non-empty "contentTitle"
// string and a "msgDetailList" array of one to five objects, each with an integer
// "detailType" and a string "msgDetail", and no NUL in any text. Throws
// CApiError(RC_BAD_MESSAGE) otherwise.
Json::Value ParseMessageObject(const std::string& text);

// An id given as decimal text or as a JSON integer; 0 when it is neither or not positive.
std::int64_t ParseId(const std::string& text);
std::int64_t ParseId(const Json::Value& value);

// Compact JSON, UTF-8 left as it is (not \u-escaped), keys sorted.
std::string WriteCompact(const Json::Value& value);

// Whether a stored (compact) message object may hold a picture item; false means it
// certainly holds none.
bool HasPictureItem(const std::string& compactMessage);

// Points "downLoadURL" of every picture item at this server's download address for its
// "msgDetail": the workbench stores its own local cache path there when it saves.
void PointPicturesAt(Json::Value& message, const std::string& downloadBase);

}  // namespace refserver
