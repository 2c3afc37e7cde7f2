// The stand-in client's transcript: one JSON object per line for every message it received
// ({"items":[{"type":"text","text":...} or {"type":"image","width":...,"sha256":...}]}).
#pragma once

#include <json/json.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace testing_support {

// The lines of the transcript file at `path` that parse; none when it does not exist yet.
inline std::vector<Json::Value> ReadTranscript(const std::string& path) {
  std::vector<Json::Value> lines;
  std::ifstream file(path);
  std::string line;
  Json::CharReaderBuilder builder;
  while (std::getline(file, line)) {
    Json::Value value;
    std::istringstream stream(line);
    if (Json::parseFromStream(builder, stream, &value, nullptr)) lines.push_back(value);
  }
  return lines;
}

}  // namespace testing_support
