// Parsers for the values of the skin's attribute language. Each returns false (and leaves
// its output alone) when the text does not hold a value of its kind, so that a control can
// log the bad value and keep its previous state.
#pragma once

#include "platform/win32/Win32Types.h"

#include <string>
#include <utility>
#include <vector>

namespace DuiLib {

// "12", "-3", " 7" (trailing text after the digits is accepted, as DuiLib's strtol did).
bool ParseAttrInt(const char* text, int& value);
// "l,t,r,b" with optional blanks: "64, 20, 135, 60".
bool ParseAttrRect(const char* text, RECT& rect);
// "cx,cy".
bool ParseAttrSize(const char* text, SIZE& size);
// "#AARRGGBB", "0xAARRGGBB" or "AARRGGBB" (hex); "#RRGGBB" (six digits or fewer) is opaque.
bool ParseAttrColor(const char* text, DWORD& color);
// "true" or "false" (any case).
bool ParseAttrBool(const char* text, bool& value);
// name="value" name2='value2' ... ; false on a syntax error (the pairs read so far are kept).
bool ParseAttributeList(const char* text, std::vector<std::pair<std::string, std::string>>& pairs);

}  // namespace DuiLib
