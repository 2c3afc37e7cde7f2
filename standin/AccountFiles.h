// The account files of the stand-in client, in the chat client's tag layout:
// a sequence of records "1A L <content>" (L = content length, one byte). Short records
// carry 08 KK 12 N <value of N bytes>; address records carry 01 08 KK 12 followed by an
// area that ends with the address ("http://..."). The first record of AccInfo.dat is a
// header that readers skip.
//
// Layout on disk, under the data root registered as "FileSavePath":
//   <root>/WeChat Files/<account id>/config/AccInfo.dat
//   <root>/WeChat Files/All Users/config/config.data   (08 32 12: path of the AccInfo.dat
//                                                         of the account that logged in last)
#pragma once

#include <string>

namespace standin {

struct TAccount {
  std::string strId;        // tag 04
  std::string strNickname;  // tag 0A
  std::string strKey40;     // tag 40
  std::string strAvatar;    // tag 66, address record (and 6A when strAvatar2 is set)
  std::string strAvatar2;
};

// One short record; the value is cut to 251 bytes so that L fits one byte.
std::string ShortRecord(unsigned char key, const std::string& value);
// One address record: a few bytes of filler, then the address (cut to fit).
std::string AddressRecord(unsigned char key, const std::string& address);

std::string BuildAccInfo(const TAccount& account);
std::string BuildConfigData(const std::string& accInfoPath);

// The folder "<root>/WeChat Files".
std::string DataFolder(const std::string& root);
// Writes the account's AccInfo.dat, then config.data naming it. A path element made of the
// account id is cleaned of "/" and "..", so a strange id cannot write outside the folder.
// Returns the AccInfo.dat path, or empty on failure.
std::string WriteAccountFiles(const std::string& root, const TAccount& account);
// Registers root as HKCU "SOFTWARE\Tencent\WeChat" "FileSavePath".
bool RegisterDataRoot(const std::string& root);
// Installs a program as the chat client: "DisplayIcon" = the path in double quotes, under
// HKLM "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\WeChat", as an installer writes it.
bool RegisterAsClient(const std::string& programPath);

}  // namespace standin
