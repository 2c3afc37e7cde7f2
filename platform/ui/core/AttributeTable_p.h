// Attribute tables: each control class maps attribute names to small setters. A setter
// returns false when the value does not parse; the lookup then logs it and changes nothing.
#pragma once

#include "platform/ui/core/AttributeParser.h"
#include "platform/ui/core/ControlUI.h"

#include <cstddef>
#include <cstring>

namespace DuiLib {

void LogBadAttributeValue(const CControlUI& control, const char* name, const char* value);

template <class T>
struct TAttributeSetter {
  const char* name;
  bool (*apply)(T& control, const char* value);
};

// Setters of the common shapes: parse the value as a bool, a colour or an integer, then
// hand it to the member function. Written as {"name", BoolAttribute<C, &C::SetName>}.
template <class T, auto Setter>
bool BoolAttribute(T& control, const char* value) {
  bool parsed;
  if (!ParseAttrBool(value, parsed)) return false;
  (control.*Setter)(parsed);
  return true;
}

template <class T, auto Setter>
bool ColorAttribute(T& control, const char* value) {
  DWORD parsed;
  if (!ParseAttrColor(value, parsed)) return false;
  (control.*Setter)(parsed);
  return true;
}

template <class T, auto Setter>
bool IntAttribute(T& control, const char* value) {
  int parsed;
  if (!ParseAttrInt(value, parsed)) return false;
  (control.*Setter)(parsed);
  return true;
}

// An integer that must not be negative (sizes, lengths, flag sets): a negative one is a bad
// value.
template <class T, auto Setter>
bool NonNegativeIntAttribute(T& control, const char* value) {
  int parsed;
  if (!ParseAttrInt(value, parsed) || parsed < 0) return false;
  (control.*Setter)(parsed);
  return true;
}

// True when the table knows the name (whether or not the value was good).
template <class T, std::size_t N>
bool ApplyFromTable(T& control, const TAttributeSetter<T> (&table)[N], const char* name,
                    const char* value) {
  if (!name || !value) return true;  // nothing to apply
  for (const auto& entry : table) {
    if (std::strcmp(entry.name, name) != 0) continue;
    if (!entry.apply(control, value)) LogBadAttributeValue(control, name, value);
    return true;
  }
  return false;
}

}  // namespace DuiLib
