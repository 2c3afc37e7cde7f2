// The base of every control: name, text, user data, geometry (pos, float, padding, fixed and
// min/max sizes), visibility and enabled state, background colour and image, border, and the
// attribute language of the skins (SetAttribute). A control belongs to at most one parent and
// one paint manager; destroying it removes every reference the manager keeps (name map, focus,
// capture, hot control, timers).
#pragma once

#include "platform/ui/core/UIDefine.h"

class QPainter;

namespace DuiLib {

class CPaintManagerUI;

class CControlUI {
 public:
  CControlUI();
  virtual ~CControlUI();
  CControlUI(const CControlUI&) = delete;
  CControlUI& operator=(const CControlUI&) = delete;

  virtual CDuiString GetName() const;
  virtual void SetName(LPCTSTR pstrName);
  virtual LPCTSTR GetClass() const;
  // The object behind an interface name ("Control", "Button", ...), or null.
  virtual LPVOID GetInterface(LPCTSTR pstrName);
  virtual UINT GetControlFlags() const;
  virtual bool Activate();

  virtual CPaintManagerUI* GetManager() const;
  virtual void SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit = true);
  virtual CControlUI* GetParent() const;

  virtual CDuiString GetText() const;
  virtual void SetText(LPCTSTR pstrText);

  DWORD GetBkColor() const { return m_dwBackColor; }
  void SetBkColor(DWORD dwBackColor);
  LPCTSTR GetBkImage() const { return m_sBkImage; }
  void SetBkImage(LPCTSTR pStrImage);
  DWORD GetBorderColor() const { return m_dwBorderColor; }
  void SetBorderColor(DWORD dwBorderColor);
  DWORD GetFocusBorderColor() const { return m_dwFocusBorderColor; }
  void SetFocusBorderColor(DWORD dwBorderColor);
  int GetBorderSize() const { return m_nBorderSize; }
  void SetBorderSize(int nSize);
  SIZE GetBorderRound() const { return m_cxyBorderRound; }
  void SetBorderRound(SIZE cxyRound);

  // Position in window client coordinates.
  virtual const RECT& GetPos() const;
  // Places the control (and lays out its children). A float control also remembers the
  // new place relative to its parent, so the next layout keeps it there.
  virtual void SetPos(RECT rc, bool bNeedInvalidate = true);
  virtual int GetWidth() const;
  virtual int GetHeight() const;
  virtual int GetX() const;
  virtual int GetY() const;
  virtual RECT GetPadding() const;
  virtual void SetPadding(RECT rcPadding);
  virtual SIZE GetFixedXY() const;
  virtual void SetFixedXY(SIZE szXY);
  virtual int GetFixedWidth() const;
  virtual void SetFixedWidth(int cx);
  virtual int GetFixedHeight() const;
  virtual void SetFixedHeight(int cy);
  virtual int GetMinWidth() const;
  virtual void SetMinWidth(int cx);
  virtual int GetMaxWidth() const;
  virtual void SetMaxWidth(int cx);
  virtual int GetMinHeight() const;
  virtual void SetMinHeight(int cy);
  virtual int GetMaxHeight() const;
  virtual void SetMaxHeight(int cy);

  virtual CDuiString GetToolTip() const;
  virtual void SetToolTip(LPCTSTR pstrText);
  virtual char GetShortcut() const;
  virtual void SetShortcut(char ch);
  virtual bool IsContextMenuUsed() const;
  virtual void SetContextMenuUsed(bool bMenuUsed);

  virtual const CDuiString& GetUserData();
  virtual void SetUserData(LPCTSTR pstrText);
  virtual UINT_PTR GetTag() const;
  virtual void SetTag(UINT_PTR pTag);

  virtual bool IsVisible() const;
  virtual void SetVisible(bool bVisible = true);
  // Visibility given by the parent (a hidden container hides its children).
  virtual void SetInternVisible(bool bVisible = true);
  virtual bool IsEnabled() const;
  virtual void SetEnabled(bool bEnable = true);
  virtual bool IsMouseEnabled() const;
  virtual void SetMouseEnabled(bool bEnable = true);
  virtual bool IsKeyboardEnabled() const;
  virtual void SetKeyboardEnabled(bool bEnable = true);
  virtual bool IsFocused() const;
  virtual void SetFocus();
  virtual bool IsFloat() const;
  virtual void SetFloat(bool bFloat = true);

  virtual CControlUI* FindControl(FINDCONTROLPROC Proc, LPVOID pData, UINT uFlags);

  void Invalidate();
  bool IsUpdateNeeded() const;
  void NeedUpdate();
  void NeedParentUpdate();

  virtual void Init();
  virtual void DoInit();
  virtual void Event(TEventUI& event);
  virtual void DoEvent(TEventUI& event);
  // Whether pt (window coordinates) lies on a link of the control: the paint manager shows
  // the hand cursor there. Controls with links (CTextUI) answer; the rest have none.
  virtual bool HasLinkAt(POINT pt);

  // Applies one skin attribute; an unknown name or a value that does not parse is logged
  // and changes nothing.
  virtual void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue);
  // name="value" pairs (single or double quotes), as in "folderattr".
  void ApplyAttributeList(LPCTSTR pstrList);

  // Wanted size inside szAvailable; 0 in a dimension means "stretch".
  virtual SIZE EstimateSize(SIZE szAvailable);

  virtual void DoPaint(QPainter* painter, const RECT& rcPaint);
  virtual void PaintBkColor(QPainter* painter);
  virtual void PaintBkImage(QPainter* painter);
  virtual void PaintStatusImage(QPainter* painter);
  virtual void PaintText(QPainter* painter);
  virtual void PaintBorder(QPainter* painter);
  virtual void DoPostPaint(QPainter* painter, const RECT& rcPaint);

  // Draws a DuiLib image string into m_rcItem; false when it cannot be drawn.
  bool DrawImage(QPainter* painter, LPCTSTR pStrImage, LPCTSTR pStrModify = nullptr);

 protected:
  // Recomputes m_rcItem of a float control from its parent's rectangle and m_cXY.
  void SetFloatPos();
  bool ApplyCommonAttribute(LPCTSTR pstrName, LPCTSTR pstrValue);
  void LogBadAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) const;

  CPaintManagerUI* m_pManager = nullptr;
  CControlUI* m_pParent = nullptr;
  CDuiString m_sName;
  CDuiString m_sText;
  CDuiString m_sToolTip;
  CDuiString m_sUserData;
  CDuiString m_sBkImage;
  UINT_PTR m_pTag = 0;
  bool m_bUpdateNeeded = true;
  bool m_bVisible = true;
  bool m_bInternVisible = true;
  bool m_bEnabled = true;
  bool m_bMouseEnabled = true;
  bool m_bKeyboardEnabled = true;
  bool m_bFocused = false;
  bool m_bFloat = false;
  bool m_bSetPos = false;
  bool m_bContextMenuUsed = false;
  char m_chShortcut = 0;
  RECT m_rcItem{0, 0, 0, 0};
  RECT m_rcPadding{0, 0, 0, 0};
  SIZE m_cXY{0, 0};
  SIZE m_cxyFixed{0, 0};
  SIZE m_cxyMin{0, 0};
  SIZE m_cxyMax{9999, 9999};
  DWORD m_dwBackColor = 0;
  DWORD m_dwBorderColor = 0;
  DWORD m_dwFocusBorderColor = 0;
  int m_nBorderSize = 0;
  SIZE m_cxyBorderRound{0, 0};
};

}  // namespace DuiLib
