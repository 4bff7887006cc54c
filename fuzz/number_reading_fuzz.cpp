// Arbitrary bytes as standard input to the dialogue's reads: orders, entries, rejected lines and
// answers, in the order the dialogue asks for them, up to wherever the input ends.
#include <sys/mman.h>
#include <unistd.h>

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "app/number_reading.h"

namespace {

void require(bool condition) {
  if (!condition) __builtin_trap();
}

bool is_space(char ch) {
  return ch == ' ' || (ch >= '\t' && ch <= '\r');
}

// The text a successful read took: a number, so not empty, no whitespace, and a digit in it.
std::string_view consumed(const InputBuffer& input, std::size_t before) {
  std::string_view text(input.bytes.data() + before, input.next - before);
  while (!text.empty() && is_space(text.front())) text.remove_prefix(1);
  require(!text.empty());
  bool digit = false;
  for (const char ch : text) {
    require(!is_space(ch));
    digit = digit || (ch >= '0' && ch <= '9');
  }
  require(digit);
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A real descriptor, so that reading in chunks and dropping consumed bytes are exercised.
  const int fd = memfd_create("input", MFD_CLOEXEC);
  if (fd < 0) return 0;
  if (size > 0 && write(fd, data, size) != static_cast<ssize_t>(size)) {
    close(fd);
    return 0;
  }
  lseek(fd, 0, SEEK_SET);
  InputBuffer input;
  input.fd = fd;
  for (int calculation = 0; calculation < 1000; ++calculation) {
    const std::size_t before = input.next;
    const std::size_t bytes_before = input.bytes.size();
    const NumberRead<int> order = read_order(input);
    // The buffer may have dropped consumed bytes while reading: only compare when it did not.
    const bool kept = input.bytes.size() >= bytes_before && input.next >= before;
    if (order.status == ReadStatus::end_of_input) break;
    if (order.status == ReadStatus::not_a_number) {
      discard_line(input, 40);
      continue;
    }
    if (kept) {
      std::string_view text = consumed(input, before);
      if (text.front() == '+') text.remove_prefix(1);
      int parsed = 0;
      const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
      require(error == std::errc() && end == text.data() + text.size() && parsed == order.value);
    }
    const int n = order.value < 0 ? 0 : order.value % 5;
    bool ended = false;
    for (int entry = 0; entry < n * n && !ended;) {
      const std::size_t entry_before = input.next;
      const std::size_t entry_bytes_before = input.bytes.size();
      const NumberRead<float> read = read_entry(input);
      if (read.status == ReadStatus::end_of_input) {
        ended = true;
      } else if (read.status == ReadStatus::not_a_number) {
        discard_line(input, 40);
      } else {
        if (input.bytes.size() >= entry_bytes_before && input.next >= entry_before) {
          consumed(input, entry_before);
        }
        ++entry;
      }
    }
    if (ended || read_nonblank_character(input) < 0) break;
  }
  close(fd);
  return 0;
}
