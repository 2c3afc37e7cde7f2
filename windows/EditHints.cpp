#include "windows/EditHints.h"

#include <strings.h>

using namespace DuiLib;

namespace {

CEditUI* asEdit(CControlUI* control) {
  return control ? static_cast<CEditUI*>(control->GetInterface(DUI_CTR_EDIT)) : nullptr;
}

}  // namespace

void CEditHints::Add(const std::string& name, std::vector<std::string> hints, bool password) {
  TEntry entry;
  entry.current = hints.empty() ? std::string() : hints.front();
  entry.hints = std::move(hints);
  entry.password = password;
  m_entries[name] = entry;
  ShowHint(name);
}

void CEditHints::ShowHint(const std::string& name, const std::string& hint) {
  auto found = m_entries.find(name);
  if (found == m_entries.end()) return;
  found->second.current = hint;
  ShowHint(name);
}

void CEditHints::ShowHint(const std::string& name) {
  auto found = m_entries.find(name);
  CControlUI* edit = m_manager.FindControl(name.c_str());
  if (found == m_entries.end() || !edit) return;
  SetLook(edit, found->second, true);
  edit->SetText(found->second.current.c_str());
}

bool CEditHints::OnSetFocus(CControlUI* sender) {
  if (!sender) return false;
  auto found = m_entries.find(sender->GetName().str());
  if (found == m_entries.end()) return false;
  if (IsHint(found->second, sender->GetText().str(), false)) {
    sender->SetText("");
    SetLook(sender, found->second, false);
  }
  return true;
}

bool CEditHints::OnKillFocus(CControlUI* sender) {
  if (!sender) return false;
  auto found = m_entries.find(sender->GetName().str());
  if (found == m_entries.end()) return false;
  if (sender->GetText().IsEmpty()) ShowHint(found->first);
  return true;
}

void CEditHints::SetTyped(const std::string& name, const std::string& text) {
  auto found = m_entries.find(name);
  CControlUI* edit = m_manager.FindControl(name.c_str());
  if (found == m_entries.end() || !edit) return;
  SetLook(edit, found->second, false);
  edit->SetText(text.c_str());
}

std::string CEditHints::Value(const std::string& name, bool ignoreCase) const {
  CControlUI* edit = m_manager.FindControl(name.c_str());
  if (!edit) return std::string();
  const std::string text = edit->GetText().str();
  auto found = m_entries.find(name);
  if (found != m_entries.end() && IsHint(found->second, text, ignoreCase)) return std::string();
  return text;
}

std::string CEditHints::CurrentHint(const std::string& name) const {
  auto found = m_entries.find(name);
  return found == m_entries.end() ? std::string() : found->second.current;
}

bool CEditHints::IsHint(const TEntry& entry, const std::string& text, bool ignoreCase) const {
  for (const std::string& hint : entry.hints) {
    const bool same = ignoreCase ? strcasecmp(hint.c_str(), text.c_str()) == 0 : hint == text;
    if (same) return true;
  }
  return false;
}

void CEditHints::SetLook(CControlUI* edit, const TEntry& entry, bool hint) {
  edit->SetAttribute("textcolor", hint ? kHintTextColor : kTypedTextColor);
  if (!entry.password) return;
  // The hint is readable text; what the operator types is not.
  edit->SetAttribute("password", hint ? "false" : "true");
  if (CEditUI* passwordEdit = asEdit(edit)) passwordEdit->SetPasswordChar('*');
}
