// Attribute tables: each control class maps attribute names to small setters. A setter
// returns false when the value does not parse; the lookup then logs it and changes nothing.
#pragma once

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
