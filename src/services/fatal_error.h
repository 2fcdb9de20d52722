// The fault report. A fatal fault (SIGSEGV, SIGBUS, SIGILL, SIGFPE) is caught on an alternate
// stack; the handler formats the report with async-signal-safe calls only, into buffers made at
// installation, writes it to stderr and to a report file, and starts the program again in its
// report mode ("penwick --show-crash-report FILE"), which shows the report in an "Error" box and
// then ends the way the fault would have. A fault inside the handler ends the process at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace pw {

class Prompt;

// Installs the handler for the calling process. `reportPath` is where the report goes (made
// absolute here); `exePath` is the program run in report mode (empty: this executable). False
// when the handler could not be installed.
bool installFatalErrorHandler(const std::string& reportPath, const std::string& exePath = {});

// The report text into buf (at most cap - 1 bytes, always terminated); every line ends with
// `eol`. `code` is the signal's si_code, `pc` the faulting instruction, `addr` the fault's
// address (the memory accessed, or the instruction for an arithmetic fault). A signal that
// another process sent (`sender` >= 0, its process id) names that process instead of an
// address. Async-signal-safe.
size_t formatFaultReport(char* buf, size_t cap, int sig, int code, uintptr_t pc, uintptr_t addr,
                         char eol, long sender = -1);

// The report mode: shows the report file in an "Error" box through `prompt`, each line ended by
// a carriage return. The file's lines end with a line feed (older reports: a carriage return).
// Returns the signal the report names, or 0 when the file is not a report.
int showCrashReport(Prompt& prompt, const std::string& path);

// Ends the process with `sig`'s status (no core file).
[[noreturn]] void endWithSignal(int sig);

}  // namespace pw
