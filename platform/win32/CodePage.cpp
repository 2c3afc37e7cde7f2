#include "platform/win32/CodePage.h"

#include "platform/win32/KernelObject.h"

#include <cstring>
#include <optional>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsSupported(UINT codePage) {
  return codePage == CP_ACP || codePage == CP_UTF8;
}

// Decodes one code point; returns nullopt on an invalid or truncated sequence and
// always advances by at least one byte.
std::optional<char32_t> DecodeUtf8(const unsigned char*& p, const unsigned char* end) {
  const unsigned char lead = *p++;
  if (lead < 0x80) return lead;
  int extra;
  char32_t cp;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1;
    cp = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2;
    cp = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3;
    cp = lead & 0x07;
  } else
    return std::nullopt;
  for (int i = 0; i < extra; ++i) {
    if (p == end || (*p & 0xC0) != 0x80) return std::nullopt;
    cp = (cp << 6) | (*p++ & 0x3F);
  }
  static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
  if (cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
  return cp;
}

void AppendUtf16(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// strict: fail on the first invalid sequence; otherwise substitute U+FFFD.
std::optional<std::u16string> DecodeAll(const char* data, size_t size, bool strict) {
  std::u16string out;
  out.reserve(size);
  auto p = reinterpret_cast<const unsigned char*>(data);
  const auto end = p + size;
  while (p < end) {
    auto cp = DecodeUtf8(p, end);
    if (!cp) {
      if (strict) return std::nullopt;
      cp = kReplacement;
    }
    AppendUtf16(out, *cp);
  }
  return out;
}

std::optional<std::string> EncodeAll(const char16_t* data, size_t size, bool strict) {
  std::string out;
  out.reserve(size * 3);
  for (size_t i = 0; i < size; ++i) {
    char32_t cp = data[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < size && data[i + 1] >= 0xDC00 &&
        data[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (data[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      if (strict) return std::nullopt;
      cp = kReplacement;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

template <typename Char>
size_t TerminatedLength(const Char* text) {
  size_t n = 0;
  while (text[n]) ++n;
  return n;
}

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceBytes, LPWSTR dest,
                        int destChars) {
  if (!IsSupported(codePage) || !source || sourceBytes < -1 || destChars < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // -1: the source is zero-terminated and the terminator is converted too.
  const size_t bytes =
      sourceBytes == -1 ? std::strlen(source) + 1 : static_cast<size_t>(sourceBytes);
  const auto wide = DecodeAll(source, bytes, (flags & MB_ERR_INVALID_CHARS) != 0);
  if (!wide) {
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return 0;
  }
  if (destChars == 0) return static_cast<int>(wide->size());
  if (wide->size() > static_cast<size_t>(destChars)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(dest, wide->data(), wide->size() * sizeof(char16_t));
  return static_cast<int>(wide->size());
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR source, int sourceChars, LPSTR dest,
                        int destBytes, LPCSTR defaultChar, BOOL* usedDefaultChar) {
  if (!IsSupported(codePage) || !source || sourceChars < -1 || destBytes < 0 || defaultChar ||
      usedDefaultChar) {
    // As for CP_UTF8 on Windows, a default character cannot be asked for.
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const size_t chars =
      sourceChars == -1 ? TerminatedLength(source) + 1 : static_cast<size_t>(sourceChars);
  const auto narrow = EncodeAll(source, chars, (flags & WC_ERR_INVALID_CHARS) != 0);
  if (!narrow) {
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return 0;
  }
  if (destBytes == 0) return static_cast<int>(narrow->size());
  if (narrow->size() > static_cast<size_t>(destBytes)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(dest, narrow->data(), narrow->size());
  return static_cast<int>(narrow->size());
}

std::u16string Utf8ToWide(const std::string& text) {
  return DecodeAll(text.data(), text.size(), true).value_or(std::u16string());
}

std::string WideToUtf8(const std::u16string& text) {
  return EncodeAll(text.data(), text.size(), true).value_or(std::string());
}

// The ANSI code page is UTF-8: both directions validate through UTF-16 and give an empty
// result for invalid input, so a broken byte never travels on silently.
std::string AnsiToUtf8(const std::string& text) {
  const auto wide = DecodeAll(text.data(), text.size(), true);
  if (!wide) return std::string();
  return EncodeAll(wide->data(), wide->size(), true).value_or(std::string());
}

std::string Utf8ToAnsi(const std::string& text) {
  return AnsiToUtf8(text);
}
