// Grey hints inside empty edits: an edit that shows its hint has the hint as its text in
// grey; focusing it clears the text and turns it black; leaving it empty puts the hint back.
// Password edits show their hint in clear text and switch to password mode ('*') once the
// hint is gone.
//
// An edit may know several hints (the register password pair has one for registration and
// one for a password reset); the current one is what the edit shows, and any of them in the
// edit counts as "still the hint".
#pragma once

#include "platform/ui/UIlib.h"

#include <map>
#include <string>
#include <vector>

inline constexpr const char* kHintTextColor = "0xFF999999";
inline constexpr const char* kTypedTextColor = "0xFF000000";

class CEditHints {
 public:
  explicit CEditHints(DuiLib::CPaintManagerUI& manager) : m_manager(manager) {}

  // Registers an edit; `hints` holds the current hint first. Edits the skin lacks are
  // ignored everywhere.
  void Add(const std::string& name, std::vector<std::string> hints, bool password = false);
  // Makes `hint` the current one (it must be one of the edit's hints) and shows it.
  void ShowHint(const std::string& name, const std::string& hint);
  // Shows the current hint again, whatever was typed.
  void ShowHint(const std::string& name);

  // The hint handling of a "setfocus" / "killfocus" notification; false when the sender is
  // not a registered edit.
  bool OnSetFocus(DuiLib::CControlUI* sender);
  bool OnKillFocus(DuiLib::CControlUI* sender);

  // Puts typed (black) text into an edit, in password mode for a password edit.
  void SetTyped(const std::string& name, const std::string& text);
  // The text of the edit, or "" when it shows one of its hints (compared with or without
  // regard to letter case) or is missing.
  std::string Value(const std::string& name, bool ignoreCase = true) const;
  std::string CurrentHint(const std::string& name) const;

 private:
  struct TEntry {
    std::vector<std::string> hints;
    std::string current;
    bool password = false;
  };

  bool IsHint(const TEntry& entry, const std::string& text, bool ignoreCase) const;
  void SetLook(DuiLib::CControlUI* edit, const TEntry& entry, bool hint);

  DuiLib::CPaintManagerUI& m_manager;
  std::map<std::string, TEntry> m_entries;
};
