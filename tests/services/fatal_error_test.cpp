// The fault report: its text, the report mode, and real faults in a child process that end with
// the signal's status after the report was shown.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>
#include <fcntl.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/scripted_prompt.h"
#include "services/fatal_error.h"
#include "support/files.h"
#include "support/paths.h"

namespace pw {
namespace {

using test::readFile;

namespace fs = std::filesystem;

std::string report(int sig, int code, uintptr_t pc, uintptr_t addr, char eol = '\r',
                   long sender = -1) {
  char buf[2048];
  const size_t n = formatFaultReport(buf, sizeof buf, sig, code, pc, addr, eol, sender);
  EXPECT_EQ(n, std::string(buf).size());
  return std::string(buf, n);
}

TEST(FaultReport, TextPerFault) {
  const struct {
    int sig, code;
    const char* text;
  } cases[] = {
      {SIGSEGV, SEGV_MAPERR,
       "A program error was detected:\r\rError Message:   Invalid memory access (segmentation "
       "fault)\rError Code:      11\rCode Address:    4096\rError IMA :  8\r\r"},
      {SIGFPE, FPE_INTDIV,
       "A program error was detected:\r\rError Message:   Integer division by zero\rError Code:"
       "      8\rCode Address:    4096\rError divide by zero :  8\r\r"},
      // Neither an access violation nor a division by zero: the three lines only.
      {SIGFPE, FPE_FLTINV,
       "A program error was detected:\r\rError Message:   Arithmetic error\rError Code:      "
       "8\rCode Address:    4096\r\r"},
      {SIGILL, ILL_ILLOPC,
       "A program error was detected:\r\rError Message:   Illegal instruction\rError Code:      "
       "4\rCode Address:    4096\r\r"},
      {SIGBUS, BUS_ADRERR,
       "A program error was detected:\r\rError Message:   Bus error\rError Code:      7\rCode "
       "Address:    4096\r\r"},
  };
  for (const auto& c : cases) EXPECT_EQ(report(c.sig, c.code, 4096, 8), c.text) << c.sig;
  // A signal sent by a process names the process, not an address.
  EXPECT_EQ(report(SIGSEGV, SI_USER, 4096, 0, '\r', 4242),
            "A program error was detected:\r\rError Message:   Invalid memory access (segmentation "
            "fault)\rError Code:      11\rCode Address:    4096\rSent by process: 4242\r\r");
  // The terminal copy has line feeds instead.
  EXPECT_EQ(report(SIGILL, 0, 0, 0, '\n').find('\r'), std::string::npos);
  EXPECT_NE(report(SIGSEGV, 0, UINTPTR_MAX, 0).find(std::to_string(UINTPTR_MAX)),
            std::string::npos);
}

TEST(FaultReport, ASmallBufferIsNeverOverrun) {
  char buf[40];
  std::memset(buf, 'z', sizeof buf);
  const size_t n = formatFaultReport(buf, 20, SIGSEGV, 0, 1, 2, '\r');
  EXPECT_EQ(n, 19u);
  EXPECT_EQ(buf[19], '\0');
  EXPECT_EQ(buf[20], 'z');
  EXPECT_EQ(formatFaultReport(buf, 0, SIGSEGV, 0, 1, 2, '\r'), 0u);
}

class ReportMode : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/penwick-fault-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(ReportMode, ShowsTheReportInAnErrorBoxWithCarriageReturns) {
  const std::string box = report(SIGSEGV, SEGV_MAPERR, 77, 0);
  // Reports are written with line feeds; older ones have carriage returns.
  for (char eol : {'\n', '\r'}) {
    std::ofstream(dir_ / "r.txt", std::ios::binary) << report(SIGSEGV, SEGV_MAPERR, 77, 0, eol);
    ScriptedPrompt prompt;
    EXPECT_EQ(showCrashReport(prompt, (dir_ / "r.txt").string()), SIGSEGV);
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].title, "Error");
    EXPECT_EQ(prompt.messages[0].text, box);
  }
}

TEST_F(ReportMode, RefusesWhatIsNotAReport) {
  const std::string notReports[] = {
      "", "hello\r", "A program error was detected:\r\r",
      "A program error was detected:\r\rError Message:   x\rError Code:      15\r",
      "A program error was detected:\r\rError Message:   x\rError Code:      -11\r",
      std::string(5000, 'A'),
  };
  for (const std::string& t : notReports) {
    std::ofstream(dir_ / "r.txt", std::ios::binary | std::ios::trunc) << t;
    ScriptedPrompt prompt;
    EXPECT_EQ(showCrashReport(prompt, (dir_ / "r.txt").string()), 0) << t.substr(0, 60);
    EXPECT_TRUE(prompt.messages.empty());
  }
  ScriptedPrompt prompt;
  EXPECT_EQ(showCrashReport(prompt, (dir_ / "missing.txt").string()), 0);
}

// The faults, out of reach of the sanitizers so that the signal itself is what happens.
__attribute__((noinline, no_sanitize_address, no_sanitize_undefined)) void writeThroughNull() {
  volatile int* volatile p = nullptr;
  *p = 1;
}
__attribute__((noinline, no_sanitize_undefined)) int divideByZero() {
  volatile int zero = 0;
  volatile int one = 1;
  return one / zero;
}

// In the child (a fresh run of this program, so the folder comes through the environment):
// the report mode prints its box to stdout, which goes to a file.
// Without a fault of its own, the child sends itself SIGSEGV with kill(). `exe` runs in place of
// the report mode when given.
enum class Fault { kNullWrite, kDivide, kKill };
void faultInChild(Fault fault, const char* exe = nullptr) {
  const char* where = std::getenv("PENWICK_TEST_FAULT_DIR");
  if (!where) std::_Exit(2);
  const std::string dir = where;
  const int fd = ::open((dir + "/stdout.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0 || ::dup2(fd, 1) < 0) std::_Exit(3);
  setenv("PENWICK_CRASH_REPORT_STDOUT", "1", 1);
  if (!installFatalErrorHandler(dir + "/report.txt", exe ? exe : pw::test::penwickBinary()))
    std::_Exit(4);
  if (fault == Fault::kDivide) std::_Exit(divideByZero());
  if (fault == Fault::kKill) ::kill(::getpid(), SIGSEGV);
  writeThroughNull();
  std::_Exit(5);
}

// The child is a fresh run of this test: it finds the parent's folder in the environment.
class FaultInChild : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* shared = std::getenv("PENWICK_TEST_FAULT_DIR")) {
      dir_ = shared;
      return;
    }
    char tmpl[] = "/tmp/penwick-fault-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    setenv("PENWICK_TEST_FAULT_DIR", dir_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("PENWICK_TEST_FAULT_DIR");
    fs::remove_all(dir_);
  }
  fs::path dir_;

  // The report file: line feeds only, the box's lines otherwise.
  std::string reportFile(const std::string& box) const {
    std::string file = readFile(dir_ / "report.txt");
    EXPECT_EQ(file.find('\r'), std::string::npos);
    for (char& c : file)
      if (c == '\n') c = '\r';
    EXPECT_EQ(file, box);
    return file;
  }
  // The box's text as the report mode printed it ("Error", then the report).
  std::string shownReport() const {
    const std::string out = readFile(dir_ / "stdout.txt");
    if (out.rfind("Error\n", 0) != 0) return "not a box: " + out;
    return out.substr(6, out.size() - 7);
  }
  // The number after `label` in the report, or "" when the line is missing.
  static std::string field(const std::string& text, const std::string& label) {
    const size_t at = text.find("\r" + label);
    if (at == std::string::npos) return "";
    const size_t from = at + 1 + label.size();
    return text.substr(from, text.find('\r', from) - from);
  }
};

TEST_F(FaultInChild, NullPointerWriteShowsTheAccessedAddress) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(faultInChild(Fault::kNullWrite), ::testing::KilledBySignal(SIGSEGV),
              "Error IMA :  0\n");
  const std::string text = shownReport();
  reportFile(text);
  EXPECT_EQ(text.rfind("A program error was detected:\r\rError Message:   ", 0), 0u) << text;
  EXPECT_EQ(field(text, "Error Code:      "), "11");
  EXPECT_NE(field(text, "Code Address:    "), "0");
  EXPECT_EQ(field(text, "Error IMA :  "), "0");
  EXPECT_EQ(text.find("Error divide by zero"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\r");
}

TEST_F(FaultInChild, DivisionByZeroShowsItsLine) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(faultInChild(Fault::kDivide), ::testing::KilledBySignal(SIGFPE),
              "Error divide by zero :  ");
  const std::string text = shownReport();
  reportFile(text);
  EXPECT_EQ(field(text, "Error Code:      "), "8");
  const std::string pc = field(text, "Code Address:    ");
  EXPECT_NE(pc, "0");
  // On this platform the division's address is the instruction's.
  EXPECT_EQ(field(text, "Error divide by zero :  "), pc);
  EXPECT_EQ(text.find("Error IMA"), std::string::npos);
}

// A signal sent with kill() names its sender, and the program that shows the report starts
// with the fault signals unblocked (blocked ones would survive execve).
TEST_F(FaultInChild, ASentSignalNamesItsSenderAndTheReportProgramStartsUnblocked) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // A shell would clear its signal mask when it starts; Python keeps what it was given.
  const fs::path script = dir_ / "mask.py";
  test::writeFile(script,
                  "#!/usr/bin/env python3\nimport sys\nopen(sys.argv[2] + '.mask', 'w').write("
                  "[l for l in open('/proc/self/status') if l.startswith('SigBlk:')][0])\n");
  fs::permissions(script, fs::perms::owner_all);
  EXPECT_EXIT(faultInChild(Fault::kKill, script.c_str()), ::testing::ExitedWithCode(0),
              "Sent by process: [0-9]+\n");
  const std::string text = readFile(dir_ / "report.txt");
  EXPECT_NE(text.find("\nSent by process: "), std::string::npos) << text;
  EXPECT_EQ(text.find("Error IMA"), std::string::npos) << text;
  const std::string mask = readFile(dir_ / "report.txt.mask");
  ASSERT_EQ(mask.rfind("SigBlk:", 0), 0u) << mask;
  const unsigned long long blocked = std::stoull(mask.substr(7), nullptr, 16);
  for (int sig : {SIGSEGV, SIGBUS, SIGILL, SIGFPE})
    EXPECT_EQ(blocked & (1ull << (sig - 1)), 0u) << "signal " << sig << " blocked: " << mask;
}

}  // namespace
}  // namespace pw
