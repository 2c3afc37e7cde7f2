#include "platform/hook/MouseHook.h"

int fnhookmouse(const char* key, DWORD) { return key && *key ? 0 : -1; }
int fnunhookmouse(const char* key) { return key && *key ? 0 : -1; }

namespace hook {
void SetMouseHookTarget(HWND) {}
void ShutdownMouseHook() {}
}  // namespace hook
