// CDwm: the desktop-composition functions, looked up once per process. X11 has no
// counterpart of "dwmapi.dll" (a compositor, where one runs, needs no call from us), so every
// pointer is null and callers take their "composition unavailable" path, as on a Windows
// system without the library.
#pragma once

#include "platform/win32/Win32Types.h"

struct MARGINS;
struct DWM_BLURBEHIND;

class CDwm {
 public:
  using PFN_DwmEnableComposition = HRESULT (*)(UINT uCompositionAction);
  using PFN_DwmIsCompositionEnabled = HRESULT (*)(BOOL* pfEnabled);
  using PFN_DwmEnableBlurBehindWindow = HRESULT (*)(HWND hWnd, const DWM_BLURBEHIND* pBlurBehind);
  using PFN_DwmExtendFrameIntoClientArea = HRESULT (*)(HWND hWnd, const MARGINS* pMarInset);
  using PFN_DwmSetWindowAttribute = HRESULT (*)(HWND hwnd, DWORD dwAttribute, LPCVOID pvAttribute,
                                                DWORD cbAttribute);

  CDwm();

  // True when the composition library was found (never on X11).
  static bool IsAvailable();

  PFN_DwmEnableComposition DwmEnableComposition = nullptr;
  PFN_DwmIsCompositionEnabled DwmIsCompositionEnabled = nullptr;
  PFN_DwmEnableBlurBehindWindow DwmEnableBlurBehindWindow = nullptr;
  PFN_DwmExtendFrameIntoClientArea DwmExtendFrameIntoClientArea = nullptr;
  PFN_DwmSetWindowAttribute DwmSetWindowAttribute = nullptr;
};

// DwmSetWindowAttribute: non-client rendering policy, and its "enabled" value.
inline constexpr DWORD DWMWA_NCRENDERING_POLICY = 2;
inline constexpr DWORD DWMWA_TRANSITIONS_FORCEDISABLED = 3;
inline constexpr DWORD DWMNCRP_ENABLED = 2;
