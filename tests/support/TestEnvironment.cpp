// Linked into every test executable: the folders a test may need, as environment variables,
// set before any test runs (also when a test binary is started by hand). Values already in
// the environment win.
#include <cstdlib>

namespace {

const bool kEnvironmentReady = [] {
  ::setenv("TC_SOURCE_DIR", TC_TEST_SOURCE_DIR, 0);
  ::setenv("TC_PROGRAM_DIR", TC_TEST_PROGRAM_DIR, 0);
  ::setenv("TC_TEST_BIN_DIR", TC_TEST_BIN_DIR_PATH, 0);
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  return true;
}();

}  // namespace
