#include "app/cli.h"
#include "services/update_check.h"

int main(int argc, char** argv) {
  // The network layer is set up once, before any thread starts; a failure shows up when the
  // update check runs.
  const pw::NetworkInit network;
  return pw::runPenwick(argc, argv);
}
