// Arbitrary small matrices: the expansion as written, by column sets, and by column sets with
// the emulated accumulation step must give the same bits.
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "matrix/accumulate.h"
#include "matrix/column_sets.h"
#include "matrix/determinant.h"
#include "matrix/square_matrix.h"

namespace {

void require(bool condition) {
  if (!condition) __builtin_trap();
}

std::uint32_t bits(float value) { return std::bit_cast<std::uint32_t>(value); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // Orders 1 to 6 (under the sanitizers the written-out expansion of order 7 takes milliseconds);
  // from order 5 on the column sets run in several groups of sixteen lanes.
  const int n = 1 + data[0] % 6;
  SquareMatrix a = make_square_matrix(n);
  std::size_t at = 1;
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j) {
      std::uint32_t pattern = 0;
      if (at + 4 <= size) std::memcpy(&pattern, data + at, 4);
      at += 4;
      float value = std::bit_cast<float>(pattern);
      // Which of two NaNs x87 passes on, when one is signalling, depends on which the compiler
      // left in memory; typed entries are never signalling, so neither are these.
      if (std::isnan(value)) value = std::bit_cast<float>(pattern | 0x00400000u);
      a.rows[i][j] = value;
    }
  }
  const float written_out = cofactor_determinant(a, n);
  require(bits(*column_set_determinant(a, n)) == bits(written_out));
  require(bits(*evaluate_column_sets<accumulate_term_emulated>(a, n)) == bits(written_out));
  release_square_matrix(a, n);
  return 0;
}
