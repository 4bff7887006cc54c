#include "tests/program_session.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

// Generous, for sanitizer and valgrind builds on a busy machine; a passing test never waits this.
constexpr auto patience = std::chrono::seconds(20);

std::vector<char*> c_strings(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

[[noreturn]] void exec_detcalc(std::vector<std::string> environment) {
  // No core files from the signal tests.
  const rlimit no_core{0, 0};
  setrlimit(RLIMIT_CORE, &no_core);
  std::vector<std::string> arguments = {DETCALC_PATH};
  execve(DETCALC_PATH, c_strings(arguments).data(), c_strings(environment).data());
  _exit(127);
}

std::string fold_line_ends(const std::string& raw) {
  std::string folded;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
    folded.push_back(raw[i]);
  }
  return folded;
}

std::string read_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream contents;
  contents << file.rdbuf();
  return contents.str();
}

std::string temporary_file(std::string_view contents) {
  char path[] = "/tmp/detcalc-test-XXXXXX";
  const int fd = mkstemp(path);
  if (fd >= 0) {
    if (!contents.empty() && write(fd, contents.data(), contents.size()) < 0) path[0] = '\0';
    close(fd);
  }
  return path;
}

using Clock = std::chrono::steady_clock;

}  // namespace

TerminalSession::TerminalSession(const Options& options) {
  std::vector<std::string> environment = options.environment;
  winsize size{};
  size.ws_row = 24;
  size.ws_col = options.columns;
  pid_ = forkpty(&master_, nullptr, nullptr, &size);
  if (pid_ == 0) {
    if (!options.stdout_path.empty()) {
      const int fd = open(options.stdout_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      dup2(fd, STDOUT_FILENO);
    }
    exec_detcalc(environment);
  }
  if (master_ >= 0) fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
}

TerminalSession::~TerminalSession() {
  if (pid_ > 0 && status_ == -1) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (master_ >= 0) close(master_);
}

bool TerminalSession::pump(int timeout_ms) {
  pollfd ready{master_, POLLIN, 0};
  if (poll(&ready, 1, timeout_ms) <= 0) return false;
  char buffer[4096];
  const ssize_t got = read(master_, buffer, sizeof buffer);
  if (got <= 0) return false;  // EIO once the program has closed the terminal
  raw_.append(buffer, static_cast<std::size_t>(got));
  return true;
}

void TerminalSession::type(std::string_view keys) {
  while (!keys.empty()) {
    const ssize_t put = write(master_, keys.data(), keys.size());
    if (put < 0 && errno != EAGAIN && errno != EINTR) return;
    if (put > 0) keys.remove_prefix(static_cast<std::size_t>(put));
  }
}

::testing::AssertionResult TerminalSession::expect(std::string_view text) {
  const auto deadline = Clock::now() + patience;
  for (;;) {
    const std::string screen = received();
    const std::size_t at = screen.find(text, matched_);
    if (at != std::string::npos) {
      matched_ = at + text.size();
      return ::testing::AssertionSuccess();
    }
    if (Clock::now() > deadline) {
      return ::testing::AssertionFailure() << "waited for \"" << text << "\" after position "
                                           << matched_ << "; the screen received:\n"
                                           << screen;
    }
    pump(50);
  }
}

bool TerminalSession::in_line_mode() {
  termios mode{};
  return tcgetattr(master_, &mode) == 0 && (mode.c_lflag & ICANON) && (mode.c_lflag & ECHO);
}

::testing::AssertionResult TerminalSession::wait_for_key_read() {
  const auto deadline = Clock::now() + patience;
  while (Clock::now() < deadline) {
    termios mode{};
    if (tcgetattr(master_, &mode) == 0 && !(mode.c_lflag & ICANON))
      return ::testing::AssertionSuccess();
    pump(5);
  }
  return ::testing::AssertionFailure() << "the terminal never went raw; the screen received:\n"
                                       << received();
}

int TerminalSession::wait_exit() {
  const auto deadline = Clock::now() + patience;
  while (status_ == -1) {
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      status_ = status;
    } else if (Clock::now() > deadline) {
      ADD_FAILURE() << "detcalc did not end; the screen received:\n" << received();
      kill(pid_, SIGKILL);
      waitpid(pid_, &status_, 0);
    } else {
      pump(20);
    }
  }
  while (pump(0)) {
  }
  return status_;
}

std::string TerminalSession::received() {
  while (pump(0)) {
  }
  return fold_line_ends(raw_);
}

Outcome run_without_terminal(std::string_view input, const char* stdout_path) {
  const std::string input_path = temporary_file(input);
  const std::string out_path = temporary_file("");
  const std::string err_path = temporary_file("");
  Outcome outcome;
  const pid_t pid = fork();
  if (pid == 0) {
    setsid();  // no controlling terminal: /dev/tty cannot be opened
    dup2(open(input_path.c_str(), O_RDONLY), STDIN_FILENO);
    dup2(open(stdout_path ? stdout_path : out_path.c_str(), O_WRONLY), STDOUT_FILENO);
    dup2(open(err_path.c_str(), O_WRONLY), STDERR_FILENO);
    exec_detcalc({"TERM=xterm"});
  }
  waitpid(pid, &outcome.status, 0);
  outcome.out = read_file(out_path);
  outcome.err = read_file(err_path);
  for (const std::string& path : {input_path, out_path, err_path}) unlink(path.c_str());
  return outcome;
}
