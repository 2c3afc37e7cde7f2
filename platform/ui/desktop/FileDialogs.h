// The common file dialogs (GetOpenFileNameA, GetSaveFileNameA) on QFileDialog. Tests answer
// them through SetFileDialogHook; no real dialog is shown while it is set.
#pragma once

#include "platform/win32/Win32Types.h"

#include <functional>
#include <string>

inline constexpr int OFN_READONLY = 0x00000001;
inline constexpr int OFN_OVERWRITEPROMPT = 0x00000002;
inline constexpr int OFN_HIDEREADONLY = 0x00000004;
inline constexpr int OFN_NOCHANGEDIR = 0x00000008;
inline constexpr int OFN_ALLOWMULTISELECT = 0x00000200;
inline constexpr int OFN_PATHMUSTEXIST = 0x00000800;
inline constexpr int OFN_FILEMUSTEXIST = 0x00001000;
inline constexpr int OFN_CREATEPROMPT = 0x00002000;
inline constexpr int OFN_NOREADONLYRETURN = 0x00008000;
inline constexpr int OFN_EXPLORER = 0x00080000;
inline constexpr int OFN_ENABLESIZING = 0x00800000;
inline constexpr int FNERR_BUFFERTOOSMALL = 0x3003;

using LPOFNHOOKPROC = UINT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

struct OPENFILENAMEA {
  DWORD lStructSize = 0;
  HWND hwndOwner = nullptr;
  HINSTANCE hInstance = nullptr;
  LPCSTR lpstrFilter = nullptr;  // "Name\0*.x;*.y\0Name2\0*.z\0\0"
  LPSTR lpstrCustomFilter = nullptr;
  DWORD nMaxCustFilter = 0;
  DWORD nFilterIndex = 0;     // 1-based; 0 = the first
  LPSTR lpstrFile = nullptr;  // in: default name (may be empty); out: the chosen path
  DWORD nMaxFile = 0;         // size of lpstrFile in bytes, with the terminating zero
  LPSTR lpstrFileTitle = nullptr;
  DWORD nMaxFileTitle = 0;
  LPCSTR lpstrInitialDir = nullptr;
  LPCSTR lpstrTitle = nullptr;
  DWORD Flags = 0;
  WORD nFileOffset = 0;
  WORD nFileExtension = 0;
  LPCSTR lpstrDefExt = nullptr;
  LPARAM lCustData = 0;
  LPOFNHOOKPROC lpfnHook = nullptr;
  LPCSTR lpTemplateName = nullptr;
  void* pvReserved = nullptr;
  DWORD dwReserved = 0;
  DWORD FlagsEx = 0;
};
using LPOPENFILENAMEA = OPENFILENAMEA*;

// TRUE with the chosen path (UTF-8) in lpstrFile, nFileOffset/nFileExtension and
// lpstrFileTitle filled; FALSE when cancelled or when the path does not fit into nMaxFile
// (CommDlgExtendedError() then gives FNERR_BUFFERTOOSMALL and nothing is written).
BOOL GetOpenFileNameA(LPOPENFILENAMEA ofn);
BOOL GetSaveFileNameA(LPOPENFILENAMEA ofn);
DWORD CommDlgExtendedError();

namespace DuiLib {

// Test seam. Gets the dialog record (lpstrFile holds the default name) and returns the chosen
// path, or an empty string for "cancelled". An empty function restores the real dialog.
using FileDialogHook = std::function<std::string(bool save, const OPENFILENAMEA& ofn)>;
void SetFileDialogHook(FileDialogHook hook);

}  // namespace DuiLib
