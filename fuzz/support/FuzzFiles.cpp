#include "fuzz/support/FuzzFiles.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <vector>

#include <stdlib.h>

namespace {

std::mutex s_mutex;
std::vector<std::string>* s_pFolders = nullptr;  // never freed: read by the exit handler

void removeFolders() {
  std::lock_guard<std::mutex> lock(s_mutex);
  std::error_code ignored;
  for (const std::string& folder : *s_pFolders) std::filesystem::remove_all(folder, ignored);
}

}  // namespace

std::string MakeFuzzScratchFolder(const std::string& name) {
  std::string folder;
  for (const char* base : {"/dev/shm/", "/tmp/"}) {
    std::string pattern = base + name + "-XXXXXX";
    if (mkdtemp(pattern.data())) {
      folder = pattern;
      break;
    }
  }
  if (folder.empty()) std::abort();
  std::lock_guard<std::mutex> lock(s_mutex);
  if (!s_pFolders) {
    s_pFolders = new std::vector<std::string>;
    std::atexit(removeFolders);
  }
  s_pFolders->push_back(folder);
  return folder;
}

void WriteFuzzInput(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}
