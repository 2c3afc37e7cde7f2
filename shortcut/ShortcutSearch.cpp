#include "shortcut/ShortcutSearch.h"

#include "platform/win32/CodePage.h"
#include "shortcut/ShortcutItems.h"
#include "shortcut/ShortcutTree.h"

using DuiLib::CTreeNodeUI;

namespace {

std::string trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const size_t last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

}  // namespace

std::string CShortcutSearch::Fold(const std::string& text) {
  std::u16string wide = Utf8ToWide(text);
  if (wide.empty()) return text;
  for (char16_t& c : wide) {
    // Full-width ASCII (what a Chinese input method types in full-width mode) is the same
    // letter or sign as its ASCII twin.
    if (c >= u'\uFF01' && c <= u'\uFF5E') c = static_cast<char16_t>(c - u'\uFF01' + u'!');
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return WideToUtf8(wide);
}

bool CShortcutSearch::Matches(const std::string& foldedQuery, const std::string& text) {
  return Fold(text).find(foldedQuery) != std::string::npos;
}

int CShortcutSearch::Apply(const std::string& query) {
  m_strQuery = Fold(trimmed(query));
  if (m_strQuery.empty()) {
    ShowAll();
    return 0;
  }
  int hits = 0;
  for (CTreeNodeUI* group : CShortcutTree(m_pTree).Groups()) {
    const bool groupHit = Matches(m_strQuery, group->GetItemText().str());
    bool anyChild = false;
    for (int i = 0; i < group->GetCountChild(); ++i) {
      CTreeNodeUI* message = group->GetChildNode(i);
      const bool hit = Matches(m_strQuery, message->GetItemText().str()) ||
                       Matches(m_strQuery, CShortcutItems::PlainText(message->GetUserData().str()));
      message->SetVisible(groupHit || hit);
      anyChild = anyChild || hit;
      hits += hit ? 1 : 0;
    }
    group->SetVisible(groupHit || anyChild);
  }
  return hits;
}

CTreeNodeUI* CShortcutSearch::FirstHit() const {
  if (m_strQuery.empty()) return nullptr;
  for (CTreeNodeUI* group : CShortcutTree(m_pTree).Groups()) {
    if (!group->IsVisible()) continue;
    for (int i = 0; i < group->GetCountChild(); ++i) {
      CTreeNodeUI* message = group->GetChildNode(i);
      if (Matches(m_strQuery, message->GetItemText().str()) ||
          Matches(m_strQuery, CShortcutItems::PlainText(message->GetUserData().str())))
        return message;
    }
  }
  return nullptr;
}

void CShortcutSearch::ShowAll() {
  for (CTreeNodeUI* group : CShortcutTree(m_pTree).Groups()) {
    group->SetVisible(true);
    const bool expanded = group->IsExpanded();  // folder button not collapsed
    for (int i = 0; i < group->GetCountChild(); ++i) group->GetChildNode(i)->SetVisible(expanded);
  }
}
