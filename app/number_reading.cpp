// Number reading over a buffered descriptor, with as much lookahead as a number needs.
#include "app/number_reading.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr std::size_t chunk_size = 4096;

// The byte `ahead` places after the next unread one, reading more when needed; -1 past the end.
int peek(InputBuffer& input, std::size_t ahead) {
  while (input.next + ahead >= input.bytes.size()) {
    if (input.ended || input.fd < 0) return -1;
    // Drop what has been consumed, so that a long session does not keep all it ever read.
    if (input.next >= chunk_size) {
      input.bytes.erase(0, input.next);
      input.next = 0;
    }
    char chunk[chunk_size];
    const ssize_t got = read(input.fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      input.ended = true;
      return -1;
    }
    input.bytes.append(chunk, static_cast<std::size_t>(got));
  }
  return static_cast<unsigned char>(input.bytes[input.next + ahead]);
}

bool is_space(int ch) {
  return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}

bool is_digit(int ch) {
  return ch >= '0' && ch <= '9';
}

// Skips whitespace; false when input ends first.
bool skip_space(InputBuffer& input) {
  for (;;) {
    const int ch = peek(input, 0);
    if (ch < 0) return false;
    if (!is_space(ch)) return true;
    ++input.next;
  }
}

// Length of the run of digits starting `from` places ahead.
std::size_t digits_at(InputBuffer& input, std::size_t from) {
  std::size_t length = 0;
  while (is_digit(peek(input, from + length))) ++length;
  return length;
}

std::size_t sign_at(InputBuffer& input, std::size_t from) {
  const int ch = peek(input, from);
  return ch == '+' || ch == '-' ? 1 : 0;
}

}  // namespace

NumberRead<int> read_order(InputBuffer& input) {
  if (!skip_space(input)) return {ReadStatus::end_of_input, 0};
  const std::size_t sign = sign_at(input, 0);
  const std::size_t digits = digits_at(input, sign);
  if (digits == 0) return {ReadStatus::not_a_number, 0};
  const bool negative = sign == 1 && input.bytes[input.next] == '-';
  std::int64_t magnitude = 0;
  for (std::size_t i = sign; i < sign + digits; ++i) {
    magnitude = magnitude * 10 + (input.bytes[input.next + i] - '0');
    if (magnitude > std::int64_t{INT32_MAX} + 1) return {ReadStatus::not_a_number, 0};
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value > INT32_MAX) return {ReadStatus::not_a_number, 0};
  input.next += sign + digits;
  return {ReadStatus::number, static_cast<int>(value)};
}

NumberRead<float> read_entry(InputBuffer& input) {
  if (!skip_space(input)) return {ReadStatus::end_of_input, 0.0f};
  std::size_t length = sign_at(input, 0);
  const std::size_t whole = digits_at(input, length);
  length += whole;
  std::size_t fraction = 0;
  if (peek(input, length) == '.') {
    fraction = digits_at(input, length + 1);
    // A point belongs to the number only beside at least one digit: "5." is 5, "." is nothing.
    if (whole + fraction > 0) length += 1 + fraction;
  }
  if (whole + fraction == 0) return {ReadStatus::not_a_number, 0.0f};
  const int exponent_mark = peek(input, length);
  if (exponent_mark == 'e' || exponent_mark == 'E') {
    const std::size_t exponent_sign = sign_at(input, length + 1);
    const std::size_t exponent_digits = digits_at(input, length + 1 + exponent_sign);
    // Without digits the e is not part of the number: "2e" is 2, followed by "e".
    if (exponent_digits > 0) length += 1 + exponent_sign + exponent_digits;
  }
  // strtof rounds correctly from the decimal text straight to float (no double step) and goes to
  // an infinity beyond the float range. The program never changes the C locale, so the decimal
  // point is a full stop.
  const std::string text = input.bytes.substr(input.next, length);
  input.next += length;
  return {ReadStatus::number, std::strtof(text.c_str(), nullptr)};
}

std::string discard_line(InputBuffer& input, std::size_t longest) {
  std::string text;
  for (;;) {
    const int ch = peek(input, 0);
    if (ch < 0) break;
    ++input.next;
    if (ch == '\n') break;
    if (text.size() < longest && !(text.empty() && is_space(ch)))
      text.push_back(static_cast<char>(ch));
  }
  while (!text.empty() && is_space(static_cast<unsigned char>(text.back()))) text.pop_back();
  return text;
}

int read_nonblank_character(InputBuffer& input) {
  if (!skip_space(input)) return -1;
  return static_cast<unsigned char>(input.bytes[input.next++]);
}
