// printf-style formatting into a std::string: the one formatter of the log lines and of
// CDuiString::Format. Needs nothing but the C library, so headers that must stay light
// (DuiString.h) can use it.
#pragma once

#include <cstdarg>
#include <string>

namespace tclog {

// The formatted text; empty when the format is invalid for the arguments.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Formats into out and returns true; returns false and leaves out as it was when the format
// is invalid for the arguments. args is consumed.
bool FormatV(std::string& out, const char* format, va_list args)
    __attribute__((format(printf, 2, 0)));

}  // namespace tclog
