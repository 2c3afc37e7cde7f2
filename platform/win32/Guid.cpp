#include "platform/win32/Guid.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

HRESULT CoCreateGuid(GUID* guid) {
  if (!guid) return E_INVALIDARG;
  BYTE bytes[16] = {};
  std::size_t filled = 0;
  while (filled < sizeof bytes) {
    const ssize_t got = ::getrandom(bytes + filled, sizeof bytes - filled, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      std::memset(guid, 0, sizeof *guid);
      return E_FAIL;
    }
    filled += static_cast<std::size_t>(got);
  }
  // RFC 4122 version 4, variant 1: what Windows' CoCreateGuid hands out.
  bytes[6] = static_cast<BYTE>((bytes[6] & 0x0F) | 0x40);
  bytes[8] = static_cast<BYTE>((bytes[8] & 0x3F) | 0x80);
  guid->Data1 =
      (DWORD(bytes[0]) << 24) | (DWORD(bytes[1]) << 16) | (DWORD(bytes[2]) << 8) | DWORD(bytes[3]);
  guid->Data2 = static_cast<WORD>((bytes[4] << 8) | bytes[5]);
  guid->Data3 = static_cast<WORD>((bytes[6] << 8) | bytes[7]);
  std::memcpy(guid->Data4, bytes + 8, 8);
  return S_OK;
}

int StringFromGUID2(const GUID& guid, WCHAR* buffer, int maxCount) {
  constexpr int kLength = 38;
  if (!buffer || maxCount < kLength + 1) return 0;
  char text[kLength + 1];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.Data1,
                guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3],
                guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  for (int i = 0; i <= kLength; ++i) buffer[i] = static_cast<WCHAR>(text[i]);
  return kLength + 1;
}
