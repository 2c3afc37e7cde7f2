// tandem_chats: the workbench.
#include "mainframe/WinMain.h"

int main() {
  // 1 is a normal run for WinMain; the process reports success with 0 as Linux programs do.
  WinMain(nullptr);
  return 0;
}
