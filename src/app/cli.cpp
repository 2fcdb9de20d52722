#include "app/cli.h"

#include <cstdio>
#include <cstring>

namespace pw {

int runPenwick(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
    std::puts("Penwick 0.15");
    return 0;
  }
  std::fputs("penwick: no command given\n", stderr);
  return 1;
}

}  // namespace pw
