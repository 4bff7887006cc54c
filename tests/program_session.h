// Running the real detcalc for end-to-end tests: on a pseudo-terminal, typed at as a person
// would, or with no terminal at all, as under cron or in a pipeline.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>
#include <sys/wait.h>

#include <string>
#include <string_view>
#include <vector>

// The escape sequence that clears the screen and homes the cursor, and the dialogue's two
// questions.
inline constexpr std::string_view clear_sequence = "\x1b[H\x1b[2J";
inline const std::string size_prompt = "Enter size of matrix:\n";
inline const std::string question = "Calculate another(Y/N)?\n";

// Whether a wait status says the program exited normally with `code`.
inline bool ended_with(int status, int code) {
  return WIFEXITED(status) && WEXITSTATUS(status) == code;
}

// detcalc on a pseudo-terminal (80 x 24 unless told otherwise) that is its controlling terminal.
class TerminalSession {
 public:
  struct Options {
    std::vector<std::string> environment = {"TERM=xterm"};
    std::string stdout_path;  // when set, standard output goes to this file instead
    unsigned short columns = 80;
  };
  TerminalSession() : TerminalSession(Options{}) {}
  explicit TerminalSession(const Options& options);
  ~TerminalSession();
  TerminalSession(const TerminalSession&) = delete;
  TerminalSession& operator=(const TerminalSession&) = delete;

  // Types keys as they would arrive from the keyboard (Enter is "\r").
  void type(std::string_view keys);
  // Waits until the screen has received `text` after what earlier expectations matched.
  ::testing::AssertionResult expect(std::string_view text);
  // Waits until the terminal is in raw mode, that is until a key is awaited.
  ::testing::AssertionResult wait_for_key_read();
  // Waits for the program to end and returns its wait status.
  int wait_exit();
  // Everything the screen received, with the terminal's "\r\n" folded to "\n".
  std::string received();
  // Whether the terminal is in its ordinary line mode with echo.
  bool in_line_mode();
  pid_t pid() const { return pid_; }

 private:
  bool pump(int timeout_ms);
  int master_ = -1;
  pid_t pid_ = -1;
  std::string raw_;
  std::size_t matched_ = 0;
  int status_ = -1;
};

struct Outcome {
  std::string out, err;
  int status = -1;  // wait status
};

// Runs detcalc in a session of its own without a controlling terminal, input from `input`.
// stdout_path, when given, is where standard output goes (for example /dev/full).
Outcome run_without_terminal(std::string_view input, const char* stdout_path = nullptr);
