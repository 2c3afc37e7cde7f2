// The search box above the quick-message tree: as the operator types, only the groups and
// messages that match stay visible.
//
// A message matches when its title or its text (text runs and emoji texts) contains the
// query; a group matches by its title, and then shows all its messages; a group with a
// matching message shows with just those. Matching ignores the case of Latin letters and
// takes full-width ASCII as ASCII; Chinese has no case and is matched as it stands. An empty query
// (or blanks only) gives the tree back as it was: messages visible where their group is expanded.
// It only shows and hides nodes: names, texts, order and user data stay as they are.
// GUI thread only.
#pragma once

#include <string>

namespace DuiLib {
class CTreeViewUI;
class CTreeNodeUI;
}  // namespace DuiLib

class CShortcutSearch {
 public:
  explicit CShortcutSearch(DuiLib::CTreeViewUI* pTree) : m_pTree(pTree) {}

  // Applies the query; returns the number of matching messages.
  int Apply(const std::string& query);
  // The first visible matching message in tree order, or null (no query: null).
  DuiLib::CTreeNodeUI* FirstHit() const;
  const std::string& Query() const { return m_strQuery; }

  // Folds a UTF-8 text: full-width ASCII to ASCII, Latin capitals to small letters.
  static std::string Fold(const std::string& text);
  static bool Matches(const std::string& foldedQuery, const std::string& text);

 private:
  void ShowAll();

  DuiLib::CTreeViewUI* m_pTree;
  std::string m_strQuery;  // folded, trimmed
};
