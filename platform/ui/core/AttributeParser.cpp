#include "platform/ui/core/AttributeParser.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace DuiLib {
namespace {

const char* skipBlanks(const char* p) {
  while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') ++p;
  return p;
}

// Reads one integer at p; moves p past it.
bool readInt(const char*& p, long& value) {
  p = skipBlanks(p);
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(p, &end, 10);
  if (end == p || errno == ERANGE || v > INT_MAX || v < INT_MIN) return false;
  value = v;
  p = end;
  return true;
}

// Reads count integers separated by commas.
bool readIntList(const char* text, long* values, int count) {
  if (!text) return false;
  const char* p = text;
  for (int i = 0; i < count; ++i) {
    if (!readInt(p, values[i])) return false;
    p = skipBlanks(p);
    if (i + 1 < count) {
      if (*p != ',') return false;
      ++p;
    }
  }
  return true;
}

}  // namespace

bool ParseAttrInt(const char* text, int& value) {
  if (!text) return false;
  const char* p = text;
  long v = 0;
  if (!readInt(p, v)) return false;
  value = static_cast<int>(v);
  return true;
}

bool ParseAttrRect(const char* text, RECT& rect) {
  long v[4];
  if (!readIntList(text, v, 4)) return false;
  rect = RECT{static_cast<LONG>(v[0]), static_cast<LONG>(v[1]), static_cast<LONG>(v[2]),
              static_cast<LONG>(v[3])};
  return true;
}

bool ParseAttrSize(const char* text, SIZE& size) {
  long v[2];
  if (!readIntList(text, v, 2)) return false;
  size = SIZE{static_cast<LONG>(v[0]), static_cast<LONG>(v[1])};
  return true;
}

bool ParseAttrColor(const char* text, DWORD& color) {
  if (!text) return false;
  const char* p = skipBlanks(text);
  if (*p == '#')
    ++p;
  else if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X'))
    p += 2;
  const char* start = p;
  while (std::isxdigit(static_cast<unsigned char>(*p))) ++p;
  const size_t digits = static_cast<size_t>(p - start);
  if (digits == 0 || digits > 8 || *skipBlanks(p) != '\0') return false;
  color = static_cast<DWORD>(std::strtoul(std::string(start, digits).c_str(), nullptr, 16));
  // Six digits or fewer name an opaque colour, as in the image strings' "mask".
  if (digits <= 6) color |= 0xFF000000u;
  return true;
}

bool ParseAttrBool(const char* text, bool& value) {
  if (!text) return false;
  if (strcasecmp(text, "true") == 0)
    value = true;
  else if (strcasecmp(text, "false") == 0)
    value = false;
  else
    return false;
  return true;
}

bool ParseAttributeList(const char* text, std::vector<std::pair<std::string, std::string>>& pairs) {
  if (!text) return false;
  const char* p = skipBlanks(text);
  while (*p) {
    const char* nameStart = p;
    while (*p && *p != '=' && *p != ' ' && *p != '\t') ++p;
    std::string name(nameStart, static_cast<size_t>(p - nameStart));
    p = skipBlanks(p);
    if (name.empty() || *p != '=') return false;
    p = skipBlanks(p + 1);
    const char quote = *p;
    if (quote != '"' && quote != '\'') return false;
    const char* valueStart = ++p;
    while (*p && *p != quote) ++p;
    if (*p != quote) return false;
    pairs.emplace_back(std::move(name),
                       std::string(valueStart, static_cast<size_t>(p - valueStart)));
    p = skipBlanks(p + 1);
  }
  return true;
}

}  // namespace DuiLib
