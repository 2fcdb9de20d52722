// The penwick binary: with no flag the editor; with an export or conversion flag a headless run
// that prints one-line errors on stderr and exits non-zero on failure. The arguments are read by
// app/cli_args.h.
#pragma once

namespace pw {

int runPenwick(int argc, char** argv);

}  // namespace pw
