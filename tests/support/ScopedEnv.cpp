#include "tests/support/ScopedEnv.h"

#include <cstdlib>

namespace testing_support {

ScopedEnv::~ScopedEnv() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    const auto& [name, old] = *it;
    old ? ::setenv(name.c_str(), old->c_str(), 1) : ::unsetenv(name.c_str());
  }
}

void ScopedEnv::Set(const std::string& name, const std::string& value) {
  Save(name);
  ::setenv(name.c_str(), value.c_str(), 1);
}

void ScopedEnv::Unset(const std::string& name) {
  Save(name);
  ::unsetenv(name.c_str());
}

void ScopedEnv::Save(const std::string& name) {
  const char* old = std::getenv(name.c_str());
  saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
}

}  // namespace testing_support
