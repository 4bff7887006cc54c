// Reading the numbers the user types, the way formatted input reads them.
//
// Each read skips whitespace, newlines included, then takes the longest text that forms a number
// and leaves everything after it buffered for the next read: "2.5" read as an order gives 2 and
// leaves ".5". Several numbers may stand on one line.
#pragma once

#include <cstddef>
#include <string>

// Bytes from standard input (or any descriptor) not yet consumed. A descriptor of -1 means the
// bytes already in the buffer are all there is, which is how tests feed it.
struct InputBuffer {
  int fd = -1;
  std::string bytes;
  std::size_t next = 0;
  bool ended = false;  // the descriptor reported end of input (or an error)
};

enum class ReadStatus { number, not_a_number, end_of_input };

template <typename T>
struct NumberRead {
  ReadStatus status;
  T value;
};

// An optional sign and a run of decimal digits; a value outside the 32-bit range is not a number.
[[nodiscard]] NumberRead<int> read_order(InputBuffer& input);

// An optional sign, digits with an optional decimal point and fraction, and an optional exponent,
// converted to the nearest float; a magnitude of 2^128 or more gives an infinity of its sign.
[[nodiscard]] NumberRead<float> read_entry(InputBuffer& input);

// Discards the rest of the current line, newline included, and returns the discarded text without
// surrounding whitespace, at most `longest` bytes of it.
std::string discard_line(InputBuffer& input, std::size_t longest);

// The next character that is not whitespace, consumed, or -1 at end of input.
[[nodiscard]] int read_nonblank_character(InputBuffer& input);
