#include "services/fatal_error.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <ucontext.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "fileio/atomic_file.h"
#include "core/prompt.h"

extern char** environ;

namespace pw {

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE};
constexpr size_t kReportSize = 2048;
constexpr size_t kAltStackSize = 64 * 1024;

// What the handler needs, prepared at installation: a signal handler can reach nothing else.
// This is the process's one piece of global state, and it is written once before the handler is
// installed.
struct HandlerState {
  char reportPath[PATH_MAX];
  char exePath[PATH_MAX];
  char flag[24] = "--show-crash-report";
  char* argv[4];
  char text[kReportSize];
  volatile sig_atomic_t entered = 0;
  alignas(16) char altStack[kAltStackSize];  // the handler's own stack
};
HandlerState* gHandler = nullptr;

// Appends without allocating; stops at the end of the buffer.
struct Out {
  char* buf;
  size_t cap, len = 0;
  void put(const char* s) {
    while (*s && len + 1 < cap) buf[len++] = *s++;
  }
  void put(char c) {
    if (len + 1 < cap) buf[len++] = c;
  }
  void num(uintmax_t v) {
    char tmp[24];
    int n = 0;
    do {
      tmp[n++] = static_cast<char>('0' + v % 10);
      v /= 10;
    } while (v);
    while (n) put(tmp[--n]);
  }
};

const char* describe(int sig, int code) {
  switch (sig) {
    case SIGSEGV: return "Invalid memory access (segmentation fault)";
    case SIGBUS: return "Bus error";
    case SIGILL: return "Illegal instruction";
    case SIGFPE: return code == FPE_INTDIV ? "Integer division by zero" : "Arithmetic error";
    default: return "Fatal signal";
  }
}

uintptr_t faultingInstruction(const void* context) {
  if (!context) return 0;
#if defined(__x86_64__)
  return static_cast<uintptr_t>(static_cast<const ucontext_t*>(context)->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
  return static_cast<uintptr_t>(static_cast<const ucontext_t*>(context)->uc_mcontext.pc);
#else
  return 0;
#endif
}

void writeAll(int fd, const char* p, size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(fd, p, n);
    if (w <= 0) return;
    p += w;
    n -= static_cast<size_t>(w);
  }
}

void onFault(int sig, siginfo_t* info, void* context) {
  HandlerState* s = gHandler;
  if (!s || s->entered) endWithSignal(sig);  // a fault while reporting one: end now
  s->entered = 1;

  const int code = info ? info->si_code : 0;
  const auto addr = info ? reinterpret_cast<uintptr_t>(info->si_addr) : 0;
  // si_code <= 0: kill(), sigqueue() or tgkill() from a process, which si_pid names.
  const long sender = info && code <= 0 ? static_cast<long>(info->si_pid) : -1;
  const uintptr_t pc = faultingInstruction(context);
  const size_t len = formatFaultReport(s->text, kReportSize, sig, code, pc, addr, '\n', sender);
  writeAll(STDERR_FILENO, s->text, len);

  const int fd = ::open(s->reportPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd >= 0) {
    writeAll(fd, s->text, len);
    ::close(fd);
    // The blocked signals outlive execve: the report mode must not start with its own faults
    // blocked, where a fault of its own could not end it.
    sigset_t faults;
    sigemptyset(&faults);
    for (int f : kSignals) sigaddset(&faults, f);
    ::sigprocmask(SIG_UNBLOCK, &faults, nullptr);
    ::execve(s->exePath, s->argv, environ);  // returns only on failure
  }
  endWithSignal(sig);
}

}  // namespace

size_t formatFaultReport(char* buf, size_t cap, int sig, int code, uintptr_t pc, uintptr_t addr,
                         char eol, long sender) {
  if (!buf || cap == 0) return 0;
  Out o{buf, cap};
  o.put("A program error was detected:");
  o.put(eol);
  o.put(eol);
  o.put("Error Message:   ");
  o.put(describe(sig, code));
  o.put(eol);
  o.put("Error Code:      ");
  o.num(static_cast<uintmax_t>(sig));
  o.put(eol);
  o.put("Code Address:    ");
  o.num(pc);
  o.put(eol);
  if (sender >= 0) {
    o.put("Sent by process: ");
    o.num(static_cast<uintmax_t>(sender));
    o.put(eol);
  } else if (sig == SIGSEGV) {
    o.put("Error IMA :  ");
    o.num(addr);
    o.put(eol);
  } else if (sig == SIGFPE && code == FPE_INTDIV) {
    o.put("Error divide by zero :  ");
    o.num(addr);
    o.put(eol);
  }
  o.put(eol);
  buf[o.len] = '\0';
  return o.len;
}

bool installFatalErrorHandler(const std::string& reportPath, const std::string& exePath) {
  std::error_code ec;
  const std::string report = std::filesystem::absolute(reportPath, ec).string();
  std::string exe = exePath;
  if (exe.empty()) exe = std::filesystem::read_symlink("/proc/self/exe", ec).string();
  if (ec || report.empty() || exe.empty() || report.size() >= PATH_MAX || exe.size() >= PATH_MAX)
    return false;

  if (!gHandler) gHandler = new HandlerState;  // lives until the process ends
  HandlerState& s = *gHandler;
  std::memcpy(s.reportPath, report.c_str(), report.size() + 1);
  std::memcpy(s.exePath, exe.c_str(), exe.size() + 1);
  s.argv[0] = s.exePath;
  s.argv[1] = s.flag;
  s.argv[2] = s.reportPath;
  s.argv[3] = nullptr;
  s.entered = 0;

  stack_t ss{};
  ss.ss_sp = s.altStack;  // kept, with the rest of the state, for the life of the process
  ss.ss_size = kAltStackSize;
  if (::sigaltstack(&ss, nullptr) != 0) return false;
  struct sigaction sa {};
  sa.sa_sigaction = onFault;
  sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
  // While one fault is reported, another of them ends the process at once.
  sigemptyset(&sa.sa_mask);
  for (int sig : kSignals) sigaddset(&sa.sa_mask, sig);
  for (int sig : kSignals)
    if (::sigaction(sig, &sa, nullptr) != 0) return false;
  return true;
}

int showCrashReport(Prompt& prompt, const std::string& path) {
  std::string text;
  if (!readFileWhole(path, text) || text.size() > kReportSize) return 0;
  for (char& c : text)
    if (c == '\n') c = '\r';
  const std::string key = "\rError Code:      ";
  const size_t at = text.find(key);
  if (text.rfind("A program error was detected:", 0) != 0 || at == std::string::npos) return 0;
  const int sig = std::atoi(text.c_str() + at + key.size());
  bool known = false;
  for (int s : kSignals) known = known || s == sig;
  if (!known) return 0;
  prompt.message("Error", text);
  return sig;
}

void endWithSignal(int sig) {
  struct rlimit none {};
  ::setrlimit(RLIMIT_CORE, &none);
  struct sigaction sa {};
  sa.sa_handler = SIG_DFL;
  sigemptyset(&sa.sa_mask);
  ::sigaction(sig, &sa, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, sig);
  ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
  ::raise(sig);
  ::_exit(128 + sig);
}

}  // namespace pw
