// Byte strings as terminals send them, and the key codes they must give.
#include "console/key_decoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Case {
  std::string bytes;
  KeyKind kind;
  int code;
  std::size_t length;
  bool ends_only_when_nothing_follows = false;  // a prefix of longer keys
};

std::ostream& operator<<(std::ostream& out, const Case& c) {
  out << '"';
  for (const unsigned char ch : c.bytes) {
    if (ch == 0x1b)
      out << "\\e";
    else if (ch < 0x20 || ch >= 0x7f)
      out << "\\x" << std::hex << int{ch} << std::dec;
    else
      out << ch;
  }
  return out << '"';
}

constexpr auto ch = KeyKind::character;
constexpr auto sp = KeyKind::special;
constexpr auto skip = KeyKind::skipped;

// Everything one key press can send when the whole of it has arrived; nothing more is coming.
const std::vector<Case> complete_keys = {
    // Characters, control characters and UTF-8.
    {"y", ch, 'y', 1},
    {"N", ch, 'N', 1},
    {"\r", ch, 13, 1},
    {"\x03", ch, 3, 1},
    {"\x04", ch, 4, 1},
    {"\x7f", ch, 127, 1},
    {std::string(1, '\0'), sp, 3, 1},
    {"\xc3\xb1", ch, 0xf1, 2},             // ñ
    {"\xe2\x82\xac", ch, 0x20ac, 3},       // €
    {"\xf0\x9f\x98\x80", ch, 0x1f600, 4},  // 😀
    {"\xc3", ch, 0xc3, 1, true},           // a lead byte whose character never came
    {"\xe0\x80\x80", ch, 0xe0, 1},         // overlong form
    {"\xed\xa0\x80", ch, 0xed, 1},         // surrogate
    {"\x80", ch, 0x80, 1},                 // stray continuation byte
    // A lone Escape.
    {"\x1b", ch, 27, 1, true},
    // xterm cursor and editing keys, alone and with modifiers.
    {"\x1b[A", sp, 72, 3},
    {"\x1b[B", sp, 80, 3},
    {"\x1b[C", sp, 77, 3},
    {"\x1b[D", sp, 75, 3},
    {"\x1b[H", sp, 71, 3},
    {"\x1b[F", sp, 79, 3},
    {"\x1b[1;2A", sp, 72, 6},   // Shift+Up
    {"\x1b[1;5C", sp, 116, 6},  // Ctrl+Right
    {"\x1b[1;5D", sp, 115, 6},  // Ctrl+Left
    {"\x1b[1;3B", sp, 160, 6},  // Alt+Down
    {"\x1b[1;7A", sp, 152, 6},  // Ctrl+Alt+Up: Alt wins
    {"\x1b[1;6H", sp, 119, 6},  // Ctrl+Shift+Home: Ctrl wins
    {"\x1b[1;9A", sp, 152, 6},  // Meta+Up counts as Alt
    {"\x1b[2~", sp, 82, 4},
    {"\x1b[3~", sp, 83, 4},
    {"\x1b[5~", sp, 73, 4},
    {"\x1b[6~", sp, 81, 4},
    {"\x1b[1~", sp, 71, 4},
    {"\x1b[4~", sp, 79, 4},
    {"\x1b[7~", sp, 71, 4},
    {"\x1b[8~", sp, 79, 4},
    {"\x1b[3;5~", sp, 147, 6},  // Ctrl+Delete
    {"\x1b[2;3~", sp, 162, 6},  // Alt+Insert
    {"\x1b[6;5~", sp, 118, 6},  // Ctrl+PgDn
    {"\x1b[5;5~", sp, 132, 6},  // Ctrl+PgUp
    // Function keys: xterm, vt220 and Linux console forms.
    {"\x1bOP", sp, 59, 3},
    {"\x1bOS", sp, 62, 3},
    {"\x1b[1;2P", sp, 84, 6},    // Shift+F1
    {"\x1b[1;5R", sp, 96, 6},    // Ctrl+F3
    {"\x1b[15~", sp, 63, 5},     // F5
    {"\x1b[17~", sp, 64, 5},     // F6
    {"\x1b[21~", sp, 68, 5},     // F10
    {"\x1b[23~", sp, 133, 5},    // F11
    {"\x1b[24~", sp, 134, 5},    // F12
    {"\x1b[15;2~", sp, 88, 7},   // Shift+F5
    {"\x1b[17;2~", sp, 89, 7},   // Shift+F6: 89 is 'Y' in its low bits
    {"\x1b[18;3~", sp, 110, 7},  // Alt+F7: 110 is 'n'
    {"\x1b[24;5~", sp, 138, 7},  // Ctrl+F12
    {"\x1b[23;3~", sp, 139, 7},  // Alt+F11
    {"\x1b[11~", sp, 59, 5},     // F1 (vt220)
    {"\x1b[[A", sp, 59, 4},      // F1 (Linux console)
    {"\x1b[[E", sp, 63, 4},      // F5 (Linux console)
    // Application cursor mode, and old xterm's modifier after the O.
    {"\x1bOA", sp, 72, 3},
    {"\x1bOD", sp, 75, 3},
    {"\x1bOH", sp, 71, 3},
    {"\x1bOF", sp, 79, 3},
    {"\x1bO5C", sp, 116, 4},
    {"\x1bO2P", sp, 84, 4},
    // rxvt forms.
    {"\x1b[a", sp, 72, 3},    // Shift+Up
    {"\x1bOd", sp, 115, 3},   // Ctrl+Left
    {"\x1b[3^", sp, 147, 4},  // Ctrl+Delete
    {"\x1b[Z", sp, 15, 3},    // Shift+Tab
    // Alt: ESC before a character or before a whole sequence.
    {"\x1by", sp, 21, 2},
    {"\x1bY", sp, 21, 2},
    {"\x1bn", sp, 49, 2},
    {"\x1bq", sp, 16, 2},
    {"\x1bm", sp, 50, 2},
    {"\x1b"
     "2",
     sp, 121, 2},  // Alt+2: 121 is 'y'
    {"\x1b"
     "0",
     sp, 129, 2},
    {"\x1b\r", sp, 28, 2},
    {"\x1b\x7f", sp, 14, 2},
    {"\x1b[", sp, 26, 2, true},    // Alt+[ alone
    {"\x1bO", sp, 24, 2, true},    // Alt+O alone
    {"\x1b\x1b", sp, 1, 2, true},  // Alt+Escape
    {"\x1b\x1b[A", sp, 152, 4},    // Alt+Up, Linux console and rxvt style
    {"\x1b\x1b[3~", sp, 163, 5},   // Alt+Delete
    {"\x1b!", skip, 0, 2},         // Alt with a key that has no code
    {"\x1b\xc3\xb1", skip, 0, 3},
    // Unknown or unfinished sequences are consumed whole.
    {"\x1b[200~", skip, 0, 6},       // bracketed paste start
    {"\x1b[?1;2c", skip, 0, 7},      // a terminal's answer to a query
    {"\x1b[1;5", skip, 0, 5, true},  // cut short
    {"\x1b[31~", skip, 0, 5},        // F17 has no code
    {"\x1b[1 q", skip, 0, 5},        // with an intermediate byte
    {"\x1bOx", skip, 0, 3},
    {"\x1b[[Z", skip, 0, 3},
};

TEST(DecodeKey, EveryFamilyOfKeys) {
  for (const Case& c : complete_keys) {
    const KeyDecoding key = decode_key(c.bytes, false);
    EXPECT_EQ(key.kind, c.kind) << c;
    EXPECT_EQ(key.code, c.code) << c;
    EXPECT_EQ(key.length, c.length) << c;
  }
}

TEST(DecodeKey, WaitsForTheRestOfASequenceOnlyWhileMoreMayCome) {
  for (const Case& c : complete_keys) {
    const KeyDecoding key = decode_key(c.bytes, true);
    if (c.ends_only_when_nothing_follows) {
      EXPECT_EQ(key.kind, KeyKind::incomplete) << c;
    } else {
      EXPECT_EQ(key.kind, c.kind) << c;
      EXPECT_EQ(key.code, c.code) << c;
    }
    // Every proper prefix of a key asks for more.
    if (c.kind != skip) {
      for (std::size_t cut = 1; cut < c.length; ++cut) {
        EXPECT_EQ(decode_key(c.bytes.substr(0, cut), true).kind, KeyKind::incomplete)
            << c << " cut at " << cut;
      }
    }
  }
}

TEST(DecodeKey, TakesOneKeyAndLeavesTheNext) {
  const struct {
    std::string bytes;
    int code;
    std::size_t length;
  } cases[] = {
      {"\x1b[Ay", 72, 3},           // an arrow, then y
      {"\x1b[123;45;6$xy", 0, 12},  // an unknown sequence ends at its final byte
      {"\x1b[1\x03", 0, 3},         // a control character cuts a sequence short and stays
      {"ny", 'n', 1},
      {"\xc3\xb1y", 0xf1, 2},
  };
  for (const auto& c : cases) {
    const KeyDecoding key = decode_key(c.bytes, true);
    EXPECT_EQ(key.code, c.code) << c.bytes;
    EXPECT_EQ(key.length, c.length) << c.bytes;
  }
}

}  // namespace
