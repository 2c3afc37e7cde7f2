// Any bytes as the chat client's account profile files: as an account's "AccInfo.dat" and as
// the shared "config.data" of a scratch data folder, read the way the copies manager reads
// them (the login account's file named in config.data, else the latest AccInfo.dat; the
// profile in it; the picture file name made from its values). The picture name must stay a
// plain file name whatever the profile holds, and the hex text must convert back losslessly.
#include "fuzz/support/FuzzFiles.h"
#include "wechat/WeChatDataFolder.h"
#include "wechat/WeChatProfileReader.h"

#include <log4cplus/logger.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::string s_root;
std::string s_dataFolder;

void checkFileName(const std::string& name) {
  if (name == "." || name == ".." || name.find('/') != std::string::npos ||
      name.find('\\') != std::string::npos)
    std::abort();
  for (unsigned char c : name)
    if (c < 0x20 || c == 0x7F) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  s_root = MakeFuzzScratchFolder("tc-profile-fuzz");
  s_dataFolder = s_root + "/WeChat Files";
  std::filesystem::create_directories(s_dataFolder + "/wxid_a/config");
  std::filesystem::create_directories(s_dataFolder + "/All Users/config");
  log4cplus::Logger::getRoot().setLogLevel(log4cplus::OFF_LOG_LEVEL);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string hex = CWeChatProfileReader::ToHexText(bytes);
  if (CWeChatProfileReader::FromHexText(hex) != bytes) std::abort();

  WriteFuzzInput(s_dataFolder + "/wxid_a/config/AccInfo.dat", data, size);
  WriteFuzzInput(s_dataFolder + "/All Users/config/config.data", data, size);
  // config.data may name any path; the reader takes it as it stands and reads nothing else.
  const std::string loginFile = CWeChatDataFolder::LoginAccountFile(s_dataFolder);
  const std::string named = CWeChatProfileReader::ParseLoginPath(hex);
  if (!named.empty() && loginFile != named) std::abort();

  const WECHATCFGDATA profile =
      CWeChatProfileReader::ReadProfile(s_dataFolder + "/wxid_a/config/AccInfo.dat");
  checkFileName(CWeChatProfileReader::FaceFileName(profile));
  for (int slot = 0; slot < WECHATCFGDATA::kSlotCount; ++slot)
    checkFileName(CWeChatProfileReader::SafeFileName(profile.Slot(slot)));
  return 0;
}
