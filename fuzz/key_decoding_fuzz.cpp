// Arbitrary bytes from the terminal, decoded key by key as read_key does once no more arrive.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "console/key_decoding.h"

namespace {

void require(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  while (!bytes.empty()) {
    const KeyDecoding waiting = decode_key(bytes, true);
    const KeyDecoding final = decode_key(bytes, false);
    // Once nothing more can come, every prefix is resolved, and it always moves on.
    require(final.kind != KeyKind::incomplete);
    require(final.length >= 1 && final.length <= bytes.size());
    // A decision taken while more might follow does not change when nothing does.
    if (waiting.kind != KeyKind::incomplete) {
      require(waiting.kind == final.kind && waiting.code == final.code &&
              waiting.length == final.length);
    }
    if (final.kind == KeyKind::character) require(final.code >= 0 && final.code <= 0x10ffff);
    if (final.kind == KeyKind::special) require(final.code >= 1 && final.code <= 255);
    bytes.remove_prefix(final.length);
  }
  return 0;
}
