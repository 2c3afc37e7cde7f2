// Posts numbered messages to a window of another process of ours, each on a connection of
// its own and the process ending right after, as a second start does: the sending side of
// X11Windows.MessagesPostedFromAnotherProcessAllArrive.
//
//   remote_post_tool WINDOW MESSAGE COUNT
#include "platform/win32/Window.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s WINDOW MESSAGE COUNT\n", argv[0]);
    return 2;
  }
  const HWND hwnd = ULong32ToHandle(static_cast<DWORD>(std::strtoul(argv[1], nullptr, 0)));
  const auto message = static_cast<UINT>(std::strtoul(argv[2], nullptr, 0));
  const int count = std::atoi(argv[3]);
  for (int i = 0; i < count; ++i)
    if (!PostMessageA(hwnd, message, static_cast<WPARAM>(i), 0)) {
      std::fprintf(stderr, "post %d failed\n", i);
      return 1;
    }
  return 0;
}
