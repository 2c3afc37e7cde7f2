// Environment variables changed for the life of the object: each one is put back as it was
// (or removed again) at the end, the last change first.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

class ScopedEnv {
 public:
  ScopedEnv() = default;
  ScopedEnv(const std::string& name, const std::string& value) { Set(name, value); }
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

  void Set(const std::string& name, const std::string& value);
  void Unset(const std::string& name);

 private:
  void Save(const std::string& name);

  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace testing_support
