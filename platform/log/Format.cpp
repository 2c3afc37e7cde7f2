#include "platform/log/Format.h"

#include <cstdio>
#include <vector>

namespace tclog {

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string out;
  FormatV(out, format, args);
  va_end(args);
  return out;
}

bool FormatV(std::string& out, const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  const int needed = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (needed < 0) return false;
  std::vector<char> buffer(static_cast<size_t>(needed) + 1);
  std::vsnprintf(buffer.data(), buffer.size(), format, args);
  out.assign(buffer.data(), static_cast<size_t>(needed));
  return true;
}

}  // namespace tclog
