// The clipboard, served to other programs by this process (the X CLIPBOARD selection).
// Same protocol as on Windows: OpenClipboard, EmptyClipboard, SetClipboardData (the data
// then belongs to the clipboard), CloseClipboard. Text is CF_UNICODETEXT in a global memory
// block holding zero-terminated UTF-16; pictures are CF_BITMAP (Bitmap.h).
//
// A paste completes only when the target has fetched the data. SetClipboardData first
// waits (letting this process serve the selection) until an item that was pasted earlier
// was fetched, so a second item never replaces the first before the target read it. A
// target that has not fetched it within kPasteFetchLimitMs (a busy or hung client) makes
// SetClipboardData fail with ERROR_TIMEOUT and leaves the earlier item in place, so that
// the late fetch still gets what was pasted; the wait is given up then, and the next
// SetClipboardData places its data at once.
#pragma once

#include "platform/win32/Win32Types.h"

namespace win32 {
// How long a pasted item may take to be fetched: far beyond a responsive client (a few
// milliseconds) and a busy one (stalls of a few hundred), below Qt's and GTK's own
// clipboard time-outs (5 s, 10 s) so that a slow target still gets the item it asked for.
inline constexpr DWORD kPasteFetchLimitMs = 3000;

// Between the session functions and the reading side (ClipboardRead.cpp).
bool ClipboardSessionIsMine();
void FreeClipboardHandles();
}  // namespace win32

inline constexpr int CF_TEXT = 1;
inline constexpr int CF_BITMAP = 2;
inline constexpr int CF_DIB = 8;
inline constexpr int CF_UNICODETEXT = 13;

inline constexpr int GMEM_FIXED = 0x0000;
inline constexpr int GMEM_MOVEABLE = 0x0002;
inline constexpr int GMEM_ZEROINIT = 0x0040;
inline constexpr int GMEM_DDESHARE = 0x2000;
inline constexpr int GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;

using HGLOBAL = void*;

// Global memory blocks (a handle to a sized block; GlobalLock gives its address).
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
LPVOID GlobalLock(HGLOBAL memory);
BOOL GlobalUnlock(HGLOBAL memory);
SIZE_T GlobalSize(HGLOBAL memory);
// Returns null on success, the handle itself on failure (as on Windows).
HGLOBAL GlobalFree(HGLOBAL memory);

// One process-wide clipboard session at a time; FALSE when another thread holds it.
BOOL OpenClipboard(HWND owner);
BOOL EmptyClipboard();
// CF_UNICODETEXT takes an HGLOBAL, CF_BITMAP an HBITMAP; on success the clipboard owns it
// and the caller must not free it. Returns the data handle, or null on failure.
HANDLE SetClipboardData(UINT format, HANDLE data);
// A session that emptied the clipboard and placed nothing leaves it empty when it closes
// (after the item pasted last was fetched, as SetClipboardData waits).
BOOL CloseClipboard();

// What the clipboard holds now, also when another program offers it. Inside an open
// session: CF_UNICODETEXT gives an HGLOBAL of zero-terminated UTF-16, CF_BITMAP an HBITMAP;
// both belong to the clipboard and stay valid until CloseClipboard. Null (last error set)
// when that format is not held or the owner did not answer.
HANDLE GetClipboardData(UINT format);
// Whether the clipboard holds the format now (asks its owner).
BOOL IsClipboardFormatAvailable(UINT format);
