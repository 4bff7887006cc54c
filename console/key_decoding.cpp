// Decoding terminal input into key codes.
//
// Sequences understood (ESC is 0x1b; m is xterm's modifier parameter, 1 + Shift 1 + Alt 2 +
// Ctrl 4 (+ Meta 8, taken as Alt)):
//   ESC [ A/B/C/D, ESC [ 1;m A..D      Up, Down, Right, Left (xterm)
//   ESC O A/B/C/D, ESC O m A..D        the same in application cursor mode
//   ESC [ H/F, ESC O H/F, ESC [ 1;m H  Home, End
//   ESC [ n ~, ESC [ n;m ~             1/7 Home, 2 Insert, 3 Delete, 4/8 End, 5 PgUp, 6 PgDn,
//                                      11-15 F1-F5, 17-21 F6-F10, 23 F11, 24 F12
//   ESC O P/Q/R/S, ESC [ 1;m P..S      F1-F4 (xterm)
//   ESC [ [ A..E                       F1-F5 (Linux console)
//   ESC [ a..d, ESC O a..d, ESC [ n ^  Shift+arrow, Ctrl+arrow, Ctrl+editing key (rxvt)
//   ESC [ Z                            Shift+Tab
//   ESC <key>                          Alt+<key>, for a character or any sequence above
// Any other CSI sequence (ESC [, parameters 0x30-0x3F, intermediates 0x20-0x2F, final byte
// 0x40-0x7E) or SS3 sequence is consumed whole and skipped, so that it cannot turn into stray
// keys. A lone ESC is the Escape key itself; the caller decides how long to wait before saying so.
#include "console/key_decoding.h"

#include <array>
#include <optional>

namespace {

constexpr unsigned char escape = 0x1b;

enum class Key { home, up, page_up, left, right, end, down, page_down, insert, del, f1 };
constexpr int function_key_count = 12;

// Modifier bits as xterm numbers them, after subtracting 1 from its parameter.
constexpr int shift_bit = 1;
constexpr int alt_bit = 2;
constexpr int ctrl_bit = 4;
constexpr int meta_bit = 8;

// Extended codes of the PC keyboard convention, by modifier.
struct ExtendedCodes {
  int plain, shift, ctrl, alt;
};

// Home .. Delete in the order of Key, then F1 .. F12.
constexpr std::array<ExtendedCodes, 10 + function_key_count> extended_codes = {{
    {71, 71, 119, 151},    // Home
    {72, 72, 141, 152},    // Up
    {73, 73, 132, 153},    // PgUp
    {75, 75, 115, 155},    // Left
    {77, 77, 116, 157},    // Right
    {79, 79, 117, 159},    // End
    {80, 80, 145, 160},    // Down
    {81, 81, 118, 161},    // PgDn
    {82, 82, 146, 162},    // Insert
    {83, 83, 147, 163},    // Delete
    {59, 84, 94, 104},     // F1
    {60, 85, 95, 105},     // F2
    {61, 86, 96, 106},     // F3
    {62, 87, 97, 107},     // F4
    {63, 88, 98, 108},     // F5
    {64, 89, 99, 109},     // F6
    {65, 90, 100, 110},    // F7
    {66, 91, 101, 111},    // F8
    {67, 92, 102, 112},    // F9
    {68, 93, 103, 113},    // F10
    {133, 135, 137, 139},  // F11
    {134, 136, 138, 140},  // F12
}};

constexpr int shift_tab_code = 15;
constexpr int ctrl_at_code = 3;  // Ctrl+@ (Ctrl+Space), which sends NUL

// Alt with a character key: the key's scan code. Letters stand for both cases.
struct AltCode {
  unsigned char character;
  int code;
};
constexpr AltCode alt_codes[] = {
    {escape, 1}, {0x7f, 14}, {'\b', 14}, {'\t', 165}, {'\r', 28}, {'\n', 28}, {'q', 16},
    {'w', 17},   {'e', 18},  {'r', 19},  {'t', 20},   {'y', 21},  {'u', 22},  {'i', 23},
    {'o', 24},   {'p', 25},  {'[', 26},  {']', 27},   {'a', 30},  {'s', 31},  {'d', 32},
    {'f', 33},   {'g', 34},  {'h', 35},  {'j', 36},   {'k', 37},  {'l', 38},  {';', 39},
    {'\'', 40},  {'`', 41},  {'\\', 43}, {'z', 44},   {'x', 45},  {'c', 46},  {'v', 47},
    {'b', 48},   {'n', 49},  {'m', 50},  {',', 51},   {'.', 52},  {'/', 53},  {'1', 120},
    {'2', 121},  {'3', 122}, {'4', 123}, {'5', 124},  {'6', 125}, {'7', 126}, {'8', 127},
    {'9', 128},  {'0', 129}, {'-', 130}, {'=', 131},
};

KeyDecoding character(int code, std::size_t length) {
  return {KeyKind::character, code, length};
}
KeyDecoding special(int code, std::size_t length) {
  return {KeyKind::special, code, length};
}
KeyDecoding skipped(std::size_t length) {
  return {KeyKind::skipped, 0, length};
}
KeyDecoding incomplete() {
  return {KeyKind::incomplete, 0, 0};
}

// The lookup goes Alt, then Ctrl, then Shift, then none.
KeyDecoding special_key(Key key, int modifiers, std::size_t length) {
  const ExtendedCodes& codes = extended_codes[static_cast<std::size_t>(key)];
  if (modifiers & (alt_bit | meta_bit)) return special(codes.alt, length);
  if (modifiers & ctrl_bit) return special(codes.ctrl, length);
  if (modifiers & shift_bit) return special(codes.shift, length);
  return special(codes.plain, length);
}

Key function_key(int number) {
  return static_cast<Key>(static_cast<int>(Key::f1) + number - 1);
}

std::optional<Key> letter_key(unsigned char final_byte) {
  switch (final_byte) {
    case 'A':
      return Key::up;
    case 'B':
      return Key::down;
    case 'C':
      return Key::right;
    case 'D':
      return Key::left;
    case 'H':
      return Key::home;
    case 'F':
      return Key::end;
    case 'P':
      return function_key(1);
    case 'Q':
      return function_key(2);
    case 'R':
      return function_key(3);
    case 'S':
      return function_key(4);
    default:
      return std::nullopt;
  }
}

// rxvt's lower-case arrow finals: Shift after CSI, Ctrl after SS3.
std::optional<Key> rxvt_arrow(unsigned char final_byte) {
  switch (final_byte) {
    case 'a':
      return Key::up;
    case 'b':
      return Key::down;
    case 'c':
      return Key::right;
    case 'd':
      return Key::left;
    default:
      return std::nullopt;
  }
}

std::optional<Key> tilde_key(int number) {
  switch (number) {
    case 1:
    case 7:
      return Key::home;
    case 2:
      return Key::insert;
    case 3:
      return Key::del;
    case 4:
    case 8:
      return Key::end;
    case 5:
      return Key::page_up;
    case 6:
      return Key::page_down;
    case 11:
    case 12:
    case 13:
    case 14:
    case 15:
      return function_key(number - 10);
    case 17:
    case 18:
    case 19:
    case 20:
    case 21:
      return function_key(number - 11);
    case 23:
    case 24:
      return function_key(number - 12);
    default:
      return std::nullopt;
  }
}

// Parameters of a control sequence: up to two numbers separated by ';'.
struct Parameters {
  bool plain = true;  // digits and ';' only
  int values[2] = {0, 0};
  int count = 0;
};

Parameters parse_parameters(std::string_view text) {
  Parameters p;
  int current = 0;
  bool any = false;
  for (const char ch : text) {
    if (ch >= '0' && ch <= '9') {
      if (current < 1000) current = current * 10 + (ch - '0');
      any = true;
    } else if (ch == ';' && p.count < 1) {
      p.values[p.count++] = current;
      current = 0;
      any = false;
    } else {
      p.plain = false;
    }
  }
  if (any || p.count > 0) p.values[p.count++] = current;
  return p;
}

int modifier_bits(const Parameters& p, int index) {
  return p.count > index && p.values[index] > 1 ? p.values[index] - 1 : 0;
}

bool is_alt_letter(unsigned char ch) {
  return ch >= 'A' && ch <= 'Z';
}

std::optional<int> alt_code(unsigned char ch) {
  if (is_alt_letter(ch)) ch = static_cast<unsigned char>(ch - 'A' + 'a');
  for (const AltCode& alt : alt_codes) {
    if (alt.character == ch) return alt.code;
  }
  return std::nullopt;
}

KeyDecoding decode_utf8(std::string_view bytes, bool more_may_follow) {
  const auto lead = static_cast<unsigned char>(bytes[0]);
  std::size_t length = 0;
  int code = 0;
  unsigned char low = 0x80, high = 0xbf;  // allowed range of the second byte
  if (lead >= 0xc2 && lead <= 0xdf) {
    length = 2, code = lead & 0x1f;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    length = 3, code = lead & 0x0f;
    if (lead == 0xe0) low = 0xa0;   // no overlong forms
    if (lead == 0xed) high = 0x9f;  // no surrogates
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    length = 4, code = lead & 0x07;
    if (lead == 0xf0) low = 0x90;
    if (lead == 0xf4) high = 0x8f;  // nothing above U+10FFFF
  } else {
    return character(lead, 1);  // a stray byte stands for itself
  }
  for (std::size_t i = 1; i < length; ++i) {
    if (i >= bytes.size()) return more_may_follow ? incomplete() : character(lead, 1);
    const auto next = static_cast<unsigned char>(bytes[i]);
    if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xbf)) return character(lead, 1);
    code = (code << 6) | (next & 0x3f);
  }
  return character(code, length);
}

// bytes starts with ESC [.
KeyDecoding decode_csi(std::string_view bytes, bool more_may_follow, int extra_modifiers) {
  if (bytes.size() == 2) return more_may_follow ? incomplete() : special(*alt_code('['), 2);
  if (bytes[2] == '[') {  // Linux console F1-F5: ESC [ [ A..E
    if (bytes.size() == 3) return more_may_follow ? incomplete() : skipped(3);
    const auto letter = static_cast<unsigned char>(bytes[3]);
    if (letter >= 'A' && letter <= 'E')
      return special_key(function_key(letter - 'A' + 1), extra_modifiers, 4);
    return skipped(3);
  }
  std::size_t end = 2;
  while (end < bytes.size() && bytes[end] >= 0x30 && bytes[end] <= 0x3f) ++end;
  const std::size_t parameters_end = end;
  while (end < bytes.size() && bytes[end] >= 0x20 && bytes[end] <= 0x2f) ++end;
  if (end == bytes.size()) return more_may_follow ? incomplete() : skipped(end);
  const auto final_byte = static_cast<unsigned char>(bytes[end]);
  // A byte that cannot be part of the sequence ends it unfinished; it starts the next key.
  if (final_byte < 0x40 || final_byte > 0x7e) return skipped(end);
  const std::size_t length = end + 1;
  if (end != parameters_end) return skipped(length);
  const Parameters p = parse_parameters(bytes.substr(2, parameters_end - 2));
  if (!p.plain) return skipped(length);

  if (final_byte == 'Z') return special(shift_tab_code, length);
  if (const auto key = letter_key(final_byte)) {
    return special_key(*key, modifier_bits(p, 1) | extra_modifiers, length);
  }
  if (const auto key = rxvt_arrow(final_byte))
    return special_key(*key, shift_bit | extra_modifiers, length);
  if (final_byte == '~' || final_byte == '^' || final_byte == '@') {
    const auto key = tilde_key(p.count > 0 ? p.values[0] : 0);
    if (!key) return skipped(length);
    const int rxvt = final_byte == '~' ? 0 : ctrl_bit;
    return special_key(*key, modifier_bits(p, 1) | rxvt | extra_modifiers, length);
  }
  return skipped(length);
}

// bytes starts with ESC O.
KeyDecoding decode_ss3(std::string_view bytes, bool more_may_follow, int extra_modifiers) {
  if (bytes.size() == 2) return more_may_follow ? incomplete() : special(*alt_code('o'), 2);
  std::size_t end = 2;
  while (end < bytes.size() && bytes[end] >= 0x30 && bytes[end] <= 0x3f) ++end;
  if (end == bytes.size()) return more_may_follow ? incomplete() : skipped(end);
  const auto final_byte = static_cast<unsigned char>(bytes[end]);
  if (final_byte < 0x40 || final_byte > 0x7e) return skipped(end);
  const std::size_t length = end + 1;
  const Parameters p = parse_parameters(bytes.substr(2, end - 2));
  // Older xterms put the modifier straight after the O: ESC O 5 A.
  const int modifiers = p.count > 0 ? modifier_bits(p, p.count - 1) : 0;
  if (const auto key = letter_key(final_byte))
    return special_key(*key, modifiers | extra_modifiers, length);
  if (const auto key = rxvt_arrow(final_byte))
    return special_key(*key, ctrl_bit | extra_modifiers, length);
  return skipped(length);
}

KeyDecoding decode_escape(std::string_view bytes, bool more_may_follow, int extra_modifiers) {
  if (bytes.size() == 1) return more_may_follow ? incomplete() : character(escape, 1);
  const auto second = static_cast<unsigned char>(bytes[1]);
  if (second == '[') return decode_csi(bytes, more_may_follow, extra_modifiers);
  if (second == 'O') return decode_ss3(bytes, more_may_follow, extra_modifiers);
  if (extra_modifiers != 0) return skipped(1);  // ESC ESC x: the outer ESC alone is dropped
  if (second == escape) {
    // ESC ESC: Alt with a sequence key, or Alt+Escape when nothing follows.
    if (bytes.size() == 2) return more_may_follow ? incomplete() : special(*alt_code(escape), 2);
    const KeyDecoding inner = decode_escape(bytes.substr(1), more_may_follow, alt_bit);
    if (inner.kind == KeyKind::incomplete) return inner;
    if (inner.kind == KeyKind::special) return special(inner.code, inner.length + 1);
    if (inner.length > 1) return skipped(inner.length + 1);  // an unknown sequence, whole
    return special(*alt_code(escape), 2);
  }
  if (second >= 0x80) {  // Alt with a non-ASCII character has no code: skip the whole character
    const KeyDecoding inner = decode_utf8(bytes.substr(1), more_may_follow);
    if (inner.kind == KeyKind::incomplete) return inner;
    return skipped(inner.length + 1);
  }
  if (const auto code = alt_code(second)) return special(*code, 2);
  return skipped(2);
}

}  // namespace

KeyDecoding decode_key(std::string_view bytes, bool more_may_follow) {
  const auto first = static_cast<unsigned char>(bytes[0]);
  if (first == escape) return decode_escape(bytes, more_may_follow, 0);
  if (first == 0) return special(ctrl_at_code, 1);
  if (first < 0x80) return character(first, 1);
  return decode_utf8(bytes, more_may_follow);
}
