// A multi-line text with DuiLib's markup: {a}link{/a} or {a target}text{/a}, {b}, {i}, {u},
// {c #AARRGGBB}colour{/c}, {n} for a line break. A click on a link raises "link" with the
// link's index in wParam; GetLinkContent gives the link's target by index or at a point.
// Markup is read when "showhtml" is true (links then work); otherwise the text is plain.
#pragma once

#include "platform/ui/controls/LabelUI.h"

#include <vector>

namespace DuiLib {

class CTextUI : public CLabelUI {
 public:
  CTextUI();

  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;
  UINT GetControlFlags() const override;

  void SetText(LPCTSTR pstrText) override;
  void SetShowHtml(bool bShowHtml = true) override;
  // The plain text without markup.
  CDuiString GetPlainText() const;

  int GetLinkContentCount() const;
  // Target of link iIndex (its text when the tag names no target), or null.
  CDuiString* GetLinkContent(int iIndex);
  // Target of the link under pt (window coordinates), or "" when there is none.
  CDuiString GetLinkContent(POINT pt);
  bool HasLinkAt(POINT pt) override;

  void DoEvent(TEventUI& event) override;
  void PaintText(QPainter* painter) override;

 private:
  int LinkIndexAt(POINT pt) const;
  void ParseMarkup();

  std::vector<CDuiString> m_aLinks;
  CDuiString m_sHtml;
  int m_iHotLink = -1;
};

// Converts DuiLib markup to Qt rich text; links become <a href="index">. Exposed for tests.
CDuiString MarkupToRichText(const char* markup, std::vector<CDuiString>& links, DWORD linkColor);

}  // namespace DuiLib
