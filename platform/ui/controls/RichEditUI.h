// A multi-line text editor backed by a Qt text document, shown through a real Qt editor
// while the control sits in a window (input methods, selection, clipboard), and usable
// without one (the document is the model). Plain or rich ("rich"), character limit
// ("maxchar" / SetLimitText), read-only, word wrap, selection, insertion and replacement,
// line count and scrolling, and embedded pictures that each carry a user value.
//
// Positions are character positions of the document (UTF-16 units); an embedded picture
// occupies one position and appears in GetText() as U+FFFC.
// Raises "textchanged" for changes the user makes, "setfocus"/"killfocus" like any control.
#pragma once

#include "platform/ui/core/ContainerUI.h"

#include <memory>
#include <vector>

class QWidget;

namespace DuiLib {

struct TEmbeddedObjectUI {
  long cp = 0;           // character position of the picture
  DWORD_PTR dwUser = 0;  // the user value given at insertion
  CDuiString sFile;      // the picture file it was made from
  SIZE szDisplay{0, 0};  // the size it is shown at, in logical pixels
};

class CRichEditUI : public CContainerUI {
 public:
  CRichEditUI();
  ~CRichEditUI() override;

  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;
  UINT GetControlFlags() const override;

  bool IsRich() const { return m_bRich; }
  void SetRich(bool bRich = true);
  bool IsReadOnly() const { return m_bReadOnly; }
  void SetReadOnly(bool bReadOnly = true);
  bool GetWordWrap() const { return m_bWordWrap; }
  void SetWordWrap(bool bWordWrap = true);
  int GetFont() const { return m_iFont; }
  void SetFont(int index);
  DWORD GetTextColor() const { return m_dwTextColor; }
  void SetTextColor(DWORD dwTextColor);
  // Largest number of characters (pictures count one); longer input is cut.
  int GetLimitText() const { return m_iLimitText; }
  void SetLimitText(int iChars);
  long GetTextLength() const;

  CDuiString GetText() const override;
  // Replaces the whole content with plain text (pictures go).
  void SetText(LPCTSTR pstrText) override;
  CDuiString GetTextRange(long nStartChar, long nEndChar) const;
  bool IsModify() const;
  void SetModify(bool bModified = true);

  void GetSel(long& nStartChar, long& nEndChar) const;
  // nEndChar -1: to the end; nStartChar -1: the caret to the end, nothing selected.
  // Positions are clamped to the text.
  int SetSel(long nStartChar, long nEndChar);
  int SetSelAll();
  int SetSelNone();
  CDuiString GetSelText() const;
  // Replaces the selection (or inserts at the caret).
  void ReplaceSel(LPCTSTR lpszNewText, bool bCanUndo = true);
  // Inserts after position nInsertAfterChar (-1: at the end); returns the new length.
  int InsertText(long nInsertAfterChar, LPCTSTR lpstrText, bool bCanUndo = false);
  int AppendText(LPCTSTR lpstrText, bool bCanUndo = false);
  bool CanUndo() const;
  bool Undo();
  void Clear();

  // Visual lines of the laid-out text (wrapped lines count).
  int GetLineCount() const;
  // Scrolls by whole lines (negative: up).
  void LineScroll(int nLines, int nChars = 0);
  SIZE GetScrollPos() const override;
  SIZE GetScrollRange() const override;
  void SetScrollPos(SIZE szPos) override;
  void LineUp() override;
  void LineDown() override;
  void PageUp() override;
  void PageDown() override;
  void HomeUp() override;
  void EndDown() override;

  // Inserts a picture at the selection (replacing it). imageFile is absolute or relative to
  // the resource folder. szDisplay is the size it is shown at in logical pixels: {0, 0} is
  // the picture's own size, one side 0 follows the other in the picture's aspect. A picture
  // drawn at twice its display size stays sharp on a screen of scale 2. False (logged,
  // nothing inserted) when it cannot be read.
  bool InsertPicture(LPCTSTR imageFile, DWORD_PTR dwUser, SIZE szDisplay = SIZE{0, 0});
  int GetObjectCount() const;
  // The pictures in document order.
  std::vector<TEmbeddedObjectUI> GetEmbeddedObjects() const;

  void SetVisible(bool bVisible = true) override;
  void SetInternVisible(bool bVisible = true) override;
  void SetEnabled(bool bEnable = true) override;
  void SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit = true) override;
  void SetPos(RECT rc, bool bNeedInvalidate = true) override;
  void DoEvent(TEventUI& event) override;
  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
  void PaintText(QPainter* painter) override;

  // The Qt editor while the control sits in a window, else null. For tests of the platform
  // layer that drive it as the window system does (keys, input-method events).
  QWidget* GetNativeEditor() const;

  // Called by the document when its text changed (user or program).
  void OnContentsChange(int position, int removed, int added);
  // Called by the Qt editor when it takes the keyboard focus.
  void OnEditorFocusIn();

 private:
  struct Impl;
  void AttachEditor();
  void DetachEditor();
  void SyncEditor();
  RECT GetTextRect() const;

  std::unique_ptr<Impl> m_pImpl;
  bool m_bRich = true;
  bool m_bReadOnly = false;
  bool m_bWordWrap = true;
  int m_iFont = -1;
  DWORD m_dwTextColor = 0;
  int m_iLimitText = 0;  // 0: no limit
};

}  // namespace DuiLib
