// Terminal services: clearing the screen and reading one key press.
//
// clear_screen writes ESC [ H (cursor to row 1, column 1) then ESC [ 2 J (erase the whole
// display), and only to a terminal whose TERM is set and not "dumb": redirected output receives
// the dialogue's text and nothing else.
//
// read_key reads the controlling terminal, /dev/tty, never standard input: numbers typed ahead
// stay in standard input's line buffer for the next read. For the one read it puts the terminal
// in raw input mode and restores the saved mode before returning. The key decoding lives in
// key_decoding.cpp.
#include "console/terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "console/key_decoding.h"

int pending_key_code = 0;

namespace {

constexpr char clear_sequence[] = "\x1b[H\x1b[2J";

// How long to wait after ESC, or inside a sequence, for the bytes that would continue it. Keys a
// person presses come much further apart; a terminal sends a sequence in one go.
constexpr int follow_up_wait_ms = 40;
constexpr std::size_t longest_sequence = 64;

bool term_understands_sequences() {
  const char* term = std::getenv("TERM");
  return term != nullptr && term[0] != '\0' && std::strcmp(term, "dumb") != 0;
}

// Bytes read from the terminal that belong to keys not yet returned.
std::string typed_ahead;

// What a signal handler needs to put the terminal back; set only while a key is awaited.
int raw_terminal = -1;
termios saved_mode;

// Signals whose default action ends the process while the terminal is raw. The interrupt and
// quit keys cannot send them (signal keys are off), but kill, a closed window or a logout can.
constexpr int fatal_signals[] = {SIGTERM, SIGHUP, SIGQUIT};
struct sigaction previous_actions[std::size(fatal_signals)];

extern "C" void restore_terminal_and_die(int signal_number) {
  tcsetattr(raw_terminal, TCSANOW, &saved_mode);
  // SA_RESETHAND put the default action back and SA_NODEFER left the signal unblocked, so the
  // process dies of it here and its parent sees which signal it was.
  raise(signal_number);
}

void guard_against_signals() {
  struct sigaction action {};
  action.sa_handler = restore_terminal_and_die;
  action.sa_flags = SA_RESETHAND | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < std::size(fatal_signals); ++i) {
    sigaction(fatal_signals[i], nullptr, &previous_actions[i]);
    // A signal the process was told to ignore (nohup) stays ignored.
    if (previous_actions[i].sa_handler != SIG_IGN) sigaction(fatal_signals[i], &action, nullptr);
  }
}

void unguard_signals() {
  for (std::size_t i = 0; i < std::size(fatal_signals); ++i) {
    sigaction(fatal_signals[i], &previous_actions[i], nullptr);
  }
}

// Reads one more byte into typed_ahead: false at end of input or on an error.
bool read_byte(int fd) {
  unsigned char byte = 0;
  for (;;) {
    const ssize_t got = read(fd, &byte, 1);
    if (got == 1) {
      typed_ahead.push_back(static_cast<char>(byte));
      return true;
    }
    if (got < 0 && errno == EINTR) continue;
    return false;
  }
}

bool follow_up_arrives(int fd) {
  pollfd waiting{fd, POLLIN, 0};
  for (;;) {
    const int ready = poll(&waiting, 1, follow_up_wait_ms);
    if (ready < 0 && errno == EINTR) continue;
    return ready > 0;
  }
}

// Collects bytes until they make a key with a code; skipped sequences are consumed whole.
KeyDecoding next_key(int fd) {
  for (;;) {
    if (typed_ahead.empty() && !read_byte(fd)) return {KeyKind::skipped, -1, 0};
    KeyDecoding key = decode_key(typed_ahead, true);
    while (key.kind == KeyKind::incomplete) {
      const bool more = typed_ahead.size() < longest_sequence && follow_up_arrives(fd);
      if (more && !read_byte(fd)) return {KeyKind::skipped, -1, 0};
      key = decode_key(typed_ahead, more);
    }
    typed_ahead.erase(0, key.length);
    if (key.kind != KeyKind::skipped) return key;
  }
}

}  // namespace

void clear_screen() {
  if (isatty(STDOUT_FILENO) && term_understands_sequences()) std::fputs(clear_sequence, stdout);
}

int read_key() {
  if (pending_key_code != 0) {
    const int code = pending_key_code;
    pending_key_code = 0;
    return code;
  }
  const int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  termios raw{};
  if (tcgetattr(fd, &saved_mode) != 0) {
    close(fd);
    return -1;
  }
  raw = saved_mode;
  // No echo, no line editing, and no signal or extended keys: every key arrives as it is typed,
  // Ctrl+C as 3, Ctrl+Z as 26.
  raw.c_lflag &= ~(ECHO | ICANON | ISIG | IEXTEN);
  // Enter arrives as CR (13), Ctrl+S and Ctrl+Q as keys rather than flow control, all 8 bits.
  raw.c_iflag &= ~(ICRNL | INLCR | IGNCR | IXON | ISTRIP);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;

  raw_terminal = fd;
  guard_against_signals();
  // TCSANOW, not TCSAFLUSH: keys typed ahead are keys pressed, not noise to throw away.
  tcsetattr(fd, TCSANOW, &raw);
  const KeyDecoding key = next_key(fd);
  tcsetattr(fd, TCSANOW, &saved_mode);
  unguard_signals();
  raw_terminal = -1;
  close(fd);

  if (key.kind == KeyKind::special) {
    pending_key_code = key.code;
    return 0;
  }
  return key.code;
}
