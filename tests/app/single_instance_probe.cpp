// Takes the single-instance guard under the name given and says which instance it is.
// The first instance keeps the guard until it is killed.
#include "app/Startup.h"

#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  HANDLE block = CheckSingleInstance(argv[1]);
  std::printf("%s\n", block ? "first" : "second");
  std::fflush(stdout);
  if (!block) return 0;
  for (;;) ::pause();
}
