// A drop shadow around a window: a translucent, click-through window kept just behind its
// parent window, following its moves, sizes, visibility and minimised state, painted with a
// nine-patch image ("shadow.png" with its corners) or a plain soft colour.
//
// X11 needs a compositing manager for translucent windows; Xvfb and plain window managers
// have none and would show an opaque frame. So under xcb the shadow is a no-op (Create
// succeeds, nothing is shown) unless Enable(true) says a compositor runs. Offscreen (tests)
// and on other platforms the shadow window is made.
#pragma once

#include "platform/win32/Win32Types.h"

#include <memory>
#include <string>

class QWidget;

namespace DuiLib {

class CWndShadow {
 public:
  CWndShadow();
  virtual ~CWndShadow();
  CWndShadow(const CWndShadow&) = delete;
  CWndShadow& operator=(const CWndShadow&) = delete;

  // Start-up hook kept for DuiLib's callers; decides whether shadows are drawn.
  static bool Initialize(HINSTANCE hInstance);
  // Overrides that decision (e.g. a compositor is known to run).
  static void Enable(bool enable);
  static bool IsEnabled();

  // Attaches the shadow to a window of ours. A second call moves it to another window.
  void Create(HWND hParentWnd);

  // Shadow width around the window in pixels (default 5, 0..40).
  bool SetSize(int newSize = 0);
  bool SetSharpness(unsigned int newSharpness = 5);
  // 0..255 opacity of the plain shadow (default 200).
  bool SetDarkness(unsigned int newDarkness = 200);
  // Offset of the shadow against the window (default 0,0; -20..20).
  bool SetPosition(int newXOffset = 5, int newYOffset = 5);
  // 0x00BBGGRR, as COLORREF.
  bool SetColor(DWORD newColor = 0);
  // The picture drawn as the shadow, from the skin folder or absolute; its corners stay
  // unscaled. Without a picture a plain colour shadow is drawn.
  bool SetImage(const char* image);
  bool SetShadowCorner(RECT corner);
  bool SetImage(const char* image, RECT corner);
  // Folder for relative picture names; by default the paint manager's resource path, else
  // "<program folder>/skin/".
  static void SetResourceFolder(const std::string& folder);

  // The shadow's window (null when none is shown, e.g. under xcb without a compositor).
  QWidget* GetWidget() const;
  // The rectangle the shadow covers in screen coordinates (empty when hidden).
  RECT GetShadowRect() const;
  HWND GetParentWnd() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> m_pImpl;
};

}  // namespace DuiLib
