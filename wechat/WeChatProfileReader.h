// Cuts the account profile out of the client's data files.
//
// The files are searched as "hex text": every byte written as two uppercase hex digits.
// A record entry is "1A", a length byte L, then L bytes of content in one of two shapes:
//   short: 08 KK 12 <len> <value...>          value = the 2L-8 hex digits after <len>
//   long:  01 08 KK 12 <...> http://...       value = from "http://" to the entry's end
// The searches step one hex digit at a time, so matches may start mid-byte; such places
// are treated like any other. Bad data never stops a read; it only yields empty values.
#pragma once

#include "wechat/WebchatData.h"

#include <string>

class CWeChatProfileReader {
 public:
  // Bytes to uppercase hex digits, two per byte, high nibble first.
  static std::string ToHexText(const std::string& bytes);
  // Hex digits back to bytes; a character that is not an uppercase hex digit counts as 0,
  // an odd last character is dropped.
  static std::string FromHexText(const std::string& hex);

  // Reads a whole file as hex text. False (and an empty text) on an empty path, a file that
  // cannot be opened, an empty file or a short read.
  static bool ReadFileAsHexText(const std::string& path, std::string& hex);

  // The profile in the hex text of an account data file ("AccInfo.dat"). The first entry
  // is skipped; a later value for a slot replaces an earlier one.
  static WECHATCFGDATA ParseAccountInfo(const std::string& hex);
  // The profile of an account data file; empty when the file cannot be read.
  static WECHATCFGDATA ReadProfile(const std::string& path);

  // The path of the account that logged in last, from the hex text of the shared
  // "config.data" (the value of the first short entry tagged 083212); empty if none.
  static std::string ParseLoginPath(const std::string& hex);

  // A file name made from profile values that cannot leave its folder: path separators,
  // NUL and control bytes are dropped, and the names "." and ".." become empty.
  static std::string SafeFileName(const std::string& raw);
  // The name of an account's picture file: strKey40 followed by strWeChatId, made safe as
  // above; empty when nothing usable is left (the caller then makes up a name).
  static std::string FaceFileName(const WECHATCFGDATA& profile);
};
