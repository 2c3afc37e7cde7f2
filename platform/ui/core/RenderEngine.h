// Drawing helpers shared by the controls: colours, borders, DuiLib image strings and text,
// all onto the QPainter of the paint event. Colours are 0xAARRGGBB; a fill colour with alpha
// 0 draws nothing, a text colour is drawn opaque when its alpha is 0.
#pragma once

#include "platform/ui/core/DuiString.h"
#include "platform/win32/Win32Types.h"

class QPainter;

namespace DuiLib {

class CPaintManagerUI;

class CRenderEngine {
 public:
  static void DrawColor(QPainter* painter, const RECT& rc, DWORD color);
  static void DrawRect(QPainter* painter, const RECT& rc, int size, DWORD color);
  static void DrawRoundRect(QPainter* painter, const RECT& rc, int size, int width, int height,
                            DWORD color);
  // Draws an image string ("a.png" or "file='a.png' source='..' dest='..' corner='..'
  // mask='#..' fade='..' xtiled='..' ytiled='..'") into rcItem, clipped to rcPaint.
  // pStrModify, when given, adds or overrides keys. False when the image cannot be loaded.
  static bool DrawImageString(QPainter* painter, CPaintManagerUI* manager, const RECT& rcItem,
                              const RECT& rcPaint, LPCSTR pStrImage, LPCSTR pStrModify = nullptr);
  // Draws UTF-8 text with a DT_* style and a font index of the manager (-1: default font).
  static void DrawText(QPainter* painter, CPaintManagerUI* manager, const RECT& rc, LPCSTR pstrText,
                       DWORD dwTextColor, int iFont, UINT uStyle);
  // Size of the text in the given font (one line unless DT_WORDBREAK within maxWidth).
  static SIZE MeasureText(CPaintManagerUI* manager, LPCSTR pstrText, int iFont, UINT uStyle,
                          int maxWidth);
};

}  // namespace DuiLib
