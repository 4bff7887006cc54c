// Arbitrary small matrices: the expansion as written, by column sets, by column sets with the
// emulated accumulation step, and a plain memoised recursion over column sets must give the same
// bits.
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "matrix/accumulate.h"
#include "matrix/column_sets.h"
#include "matrix/determinant.h"
#include "matrix/square_matrix.h"

namespace {

void require(bool condition) {
  if (!condition) __builtin_trap();
}

std::uint32_t bits(float value) {
  return std::bit_cast<std::uint32_t>(value);
}

// The expansion top-down, each column set's value kept once found: an independent reading of the
// same definition (bit c is column c + 1, no lanes), quick enough for orders the written-out
// expansion is too slow for.
struct Memo {
  const SquareMatrix& a;
  int n;
  std::vector<float> value;
  std::vector<bool> known;

  float of(std::uint32_t set) {
    if (known[set]) return value[set];
    const int size = std::popcount(set);
    float sum = +0.0f;
    if (size == 1) {
      sum = a.rows[n][std::countr_zero(set) + 1];
    } else {
      bool subtract = false;
      for (int c = 0; c < n; ++c) {
        if ((set >> c & 1) == 0) continue;
        sum = accumulate_term(sum, of(set & ~(1u << c)), a.rows[n - size + 1][c + 1], subtract);
        subtract = !subtract;
      }
    }
    known[set] = true;
    return value[set] = sum;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // Orders 1 to 10; from order 5 on the column sets run in several groups of sixteen lanes.
  const int n = 1 + data[0] % 10;
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
  const std::uint32_t all_columns = (1u << n) - 1;
  Memo memo{a, n, std::vector<float>(all_columns + 1), std::vector<bool>(all_columns + 1)};
  const float expected = memo.of(all_columns);
  require(bits(*column_set_determinant(a, n)) == bits(expected));
  require(bits(*evaluate_column_sets<accumulate_term_emulated>(a, n)) == bits(expected));
  // Under the sanitizers the written-out expansion of order 7 already takes milliseconds.
  if (n <= 6) require(bits(cofactor_determinant(a, n)) == bits(expected));
  release_square_matrix(a, n);
  return 0;
}
