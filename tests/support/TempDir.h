// A temporary folder for one test, removed with everything in it at the end; small file
// helpers beside it.
#pragma once

#include <string>

namespace testing_support {

class TempDir {
 public:
  // A fresh folder "<prefix>-XXXXXX" in the system's temporary folder ($TMPDIR or /tmp).
  // Throws std::runtime_error when none can be made.
  explicit TempDir(const std::string& prefix = "tc-test");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // The folder with a trailing "/", as the system's folder paths are.
  std::string folder() const { return path_ + "/"; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void WriteText(const std::string& path, const std::string& text);
std::string ReadText(const std::string& path);

}  // namespace testing_support
