// tandem_chats: the workbench.
#include "mainframe/WinMain.h"

int main() {
  return WinMain(nullptr);
}
