// detcalc: computes the determinant of a square matrix typed in at the terminal.
//
// One calculation after another: clear the screen, ask for the order and every entry, list the
// matrix, print its determinant, and ask "Calculate another(Y/N)?", answered by one key press.
// Numbers come from standard input; the key comes straight from the terminal, or, when there is
// no terminal, as the next non-blank character of standard input. All dialogue goes to standard
// output, and complaints to standard error, one line each.
//
// Exit status: 0 after N or n, or when input ends where an order or an answer is awaited (every
// calculation begun was finished); 1 when input ends in the middle of a matrix, or when standard
// output cannot be written.
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/listing.h"
#include "app/number_reading.h"
#include "console/terminal.h"
#include "matrix/determinant.h"
#include "matrix/square_matrix.h"

namespace {

constexpr int exit_success = 0;
constexpr int exit_failure = 1;

// How much of a rejected line a complaint quotes.
constexpr std::size_t longest_quote = 40;

[[gnu::format(printf, 1, 2)]] void complain(const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  std::fputs("detcalc: ", stderr);
  std::vfprintf(stderr, format, arguments);
  std::fputc('\n', stderr);
  va_end(arguments);
}

// Typed text is quoted back with its control characters blanked out, so that a stray escape
// sequence cannot reach the terminal through a complaint.
std::string printable(std::string text) {
  for (char& ch : text) {
    if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7f) ch = '?';
  }
  return text;
}

void reject_line(InputBuffer& input) {
  const std::string rejected = printable(discard_line(input, longest_quote));
  complain("not a number: \"%s\"", rejected.c_str());
}

enum class Step { done, input_ended };

// Reads the order into n and makes its matrix, asking again after text that is not a number or an
// order whose matrix this machine cannot hold.
Step ask_order(InputBuffer& input, int& n, SquareMatrix& a) {
  for (;;) {
    std::printf("Enter size of matrix:\n");
    const NumberRead<int> order = read_order(input);
    if (order.status == ReadStatus::end_of_input) return Step::input_ended;
    if (order.status == ReadStatus::not_a_number) {
      reject_line(input);
    } else {
      if (order_fits_in_memory(order.value)) {
        a = make_square_matrix(order.value);
        if (square_matrix_obtained(a, order.value)) {
          n = order.value;
          return Step::done;
        }
      }
      // The rest of the line was meant for the refused matrix.
      discard_line(input, 0);
      complain("not enough memory for a matrix of order %d", order.value);
    }
  }
}

// Reads every entry, row by row, asking again for an entry after text that is not a number.
Step ask_entries(InputBuffer& input, SquareMatrix& a, int n) {
  std::printf("Enter matrix:\n");
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j) {
      for (;;) {
        std::printf("%d, %d: ", i, j);
        const NumberRead<float> entry = read_entry(input);
        if (entry.status == ReadStatus::number) {
          a.rows[i][j] = entry.value;
          break;
        }
        if (entry.status == ReadStatus::end_of_input) return Step::input_ended;
        reject_line(input);
      }
    }
  }
  return Step::done;
}

enum class Answer { another, stop };

Answer ask_another(InputBuffer& input) {
  for (;;) {
    std::printf("Calculate another(Y/N)?\n");
    int k = read_key();
    if (k == -1) {
      // No terminal to read a key from: take the answer from standard input instead, so that a
      // script can answer and the question is never asked without end.
      k = read_nonblank_character(input);
      if (k == -1) return Answer::stop;
    }
    switch (k & 0xff) {
      case 'N':
      case 'n':
        return Answer::stop;
      case 'Y':
      case 'y':
        return Answer::another;
      default:
        break;
    }
  }
}

// Writes out what is pending; an output error turns a successful end into a failure.
int finish(int status) {
  if (std::fflush(stdout) != 0) {
    complain("cannot write to standard output: %s", std::strerror(errno));
    return exit_failure;
  }
  if (std::ferror(stdout)) {  // an earlier write failed; errno may since have changed
    complain("cannot write to standard output");
    return exit_failure;
  }
  return status;
}

}  // namespace

int main() {
  // Unbuffered on a terminal, so that each prompt is on the screen while its answer is typed.
  if (isatty(STDOUT_FILENO)) std::setvbuf(stdout, nullptr, _IONBF, 0);
  InputBuffer input;
  input.fd = STDIN_FILENO;
  int n = 0;
  for (;;) {
    clear_screen();
    SquareMatrix a;
    if (ask_order(input, n, a) == Step::input_ended) return finish(exit_success);
    if (ask_entries(input, a, n) == Step::input_ended) {
      release_square_matrix(a, n);
      std::printf("\n");  // the cursor stands after an entry prompt
      complain("input ended before the matrix of order %d was complete", n);
      return finish(exit_failure);
    }
    std::printf("\nSource matrix:\n");
    print_matrix(a, n);
    print_determinant(determinant(a, n));
    release_square_matrix(a, n);
    if (std::ferror(stdout)) return finish(exit_failure);
    if (ask_another(input) == Answer::stop) return finish(exit_success);
  }
}
