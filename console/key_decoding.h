// Turning the bytes a terminal sends for one key press into the key's code.
//
// Plain characters give their code: control characters as they are (Enter 13, Ctrl+C 3, Escape
// 27), UTF-8 sequences their code point. Keys without a character (arrows, function keys, editing
// keys, Alt combinations) are special keys with an extended code in the PC keyboard convention;
// see the table in key_decoding.cpp.
#pragma once

#include <cstddef>
#include <string_view>

enum class KeyKind {
  incomplete,  // a prefix of a longer sequence: more bytes are needed to tell
  character,   // code is the character's code
  special,     // code is the extended code of a key without a character
  skipped,     // a whole sequence that names no key with a code: consume it and go on waiting
};

struct KeyDecoding {
  KeyKind kind = KeyKind::incomplete;
  int code = 0;
  std::size_t length = 0;  // bytes the key takes from the front of the input
};

// Decodes the first key in `bytes` (which is not empty). With `more_may_follow` false, no further
// byte is coming soon, so a prefix is resolved as what it is on its own: a lone ESC is Escape.
[[nodiscard]] KeyDecoding decode_key(std::string_view bytes, bool more_may_follow);
