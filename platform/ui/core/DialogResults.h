// Results of modal windows and message boxes: the code CWindowWnd::ShowModal returns (given
// to Close) and the button a message box was closed with.
#pragma once

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
