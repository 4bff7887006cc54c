// The expansion as written and the expansion by column sets must agree bit for bit: on random
// matrices of every kind of value, and on matrices built around rounding ties.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "matrix/accumulate.h"
#include "matrix/column_sets.h"
#include "matrix/determinant.h"
#include "matrix/square_matrix.h"

namespace {

using Random = std::mt19937_64;

std::uint32_t bits(float value) {
  return std::bit_cast<std::uint32_t>(value);
}

float pick(Random& random, const std::vector<float>& values) {
  return values[random() % values.size()];
}

float quiet_nan(Random& random) {
  return std::bit_cast<float>(static_cast<std::uint32_t>(0x7fc00000u | (random() & 0x803fffffu)));
}

struct Kind {
  const char* name;
  std::function<float(Random&)> entry;
};

const std::vector<Kind> kinds = {
    {"small integers",
     [](Random& r) { return static_cast<float>(static_cast<int>(r() % 19) - 9); }},
    {"magnitudes from 1e-30 to 1e30",
     [](Random& r) {
       const float magnitude = std::pow(10.0f, static_cast<float>(static_cast<int>(r() % 61) - 30));
       return (r() % 2 ? -1.0f : 1.0f) * magnitude * (1 + static_cast<float>(r() % 1000) / 1000);
     }},
    {"subnormals",
     [](Random& r) {
       return r() % 2 ? std::bit_cast<float>(
                            static_cast<std::uint32_t>(r() % 0x00800000u | (r() % 2) << 31))
                      : static_cast<float>(static_cast<int>(r() % 7) - 3) * 1e-20f;
     }},
    {"signed zeros",
     [](Random& r) {
       return pick(r, {0.0f, -0.0f, 0.0f, -0.0f, 1, -1, 2});
     }},
    {"infinities and NaNs",
     [](Random& r) {
       const int roll = static_cast<int>(r() % 20);
       if (roll == 0) return std::numeric_limits<float>::infinity();
       if (roll == 1) return -std::numeric_limits<float>::infinity();
       if (roll == 2) return quiet_nan(r);
       return static_cast<float>(roll - 10);
     }},
    {"rounding ties",
     [](Random& r) {
       return pick(r, {16777215.0f, 16777216.0f, 1 + 0x1p-17f, 0.5f * (1 - 0x1p-17f), 1 + 0x1p-22f,
                       0.5f * (1 - 0x1p-22f), 1, -1, 0.5f, 3, -0.0f});
     }},
    {"arbitrary bits",
     [](Random& r) {
       const auto value = std::bit_cast<float>(static_cast<std::uint32_t>(r()));
       // A signalling NaN is quietened: typed entries never are signalling, and which of two
       // NaNs x87 passes on then depends on which one the compiler left in memory.
       return std::isnan(value) ? std::bit_cast<float>(bits(value) | 0x00400000u) : value;
     }},
};

// How many matrices of each order: the written-out expansion of order 10 takes a while.
int matrices_of_order(int n) {
  return n <= 7 ? 25 : n == 8 ? 6 : n == 9 ? 2 : 1;
}

TEST(DeterminantPaths, AgreeBitForBitOnEveryOrderToTen) {
  Random random(1211);
  for (const Kind& kind : kinds) {
    for (int n = 1; n <= 10; ++n) {
      for (int k = 0; k < matrices_of_order(n); ++k) {
        SquareMatrix a = make_square_matrix(n);
        for (int i = 1; i <= n; ++i) {
          for (int j = 1; j <= n; ++j) a.rows[i][j] = kind.entry(random);
        }
        const float written_out = cofactor_determinant(a, n);
        const std::optional<float> by_column_sets = column_set_determinant(a, n);
        ASSERT_TRUE(by_column_sets.has_value());
        EXPECT_EQ(bits(*by_column_sets), bits(written_out)) << kind.name << ", order " << n;
        // The emulated step on the fast path: the same bits again.
        const std::optional<float> emulated = evaluate_column_sets<accumulate_term_emulated>(a, n);
        EXPECT_EQ(bits(*emulated), bits(written_out))
            << kind.name << ", order " << n << ", emulated";
        EXPECT_EQ(bits(determinant(a, n)), bits(written_out)) << kind.name << ", order " << n;
        release_square_matrix(a, n);
      }
    }
  }
}

TEST(DeterminantPaths, ColumnSetsRefuseOnlyWhatCannotBeTabulated) {
  SquareMatrix none = make_square_matrix(0);
  EXPECT_FALSE(column_set_determinant(none, 0).has_value());
  EXPECT_EQ(bits(determinant(none, 0)), bits(+0.0f));
  release_square_matrix(none, 0);
  // Order 40 would need a table of 2^40 floats: determinant falls back to the written-out
  // expansion, which the dialogue only ever reaches for orders that fit in memory.
  SquareMatrix large = make_square_matrix(40);
  EXPECT_FALSE(column_set_determinant(large, 40).has_value());
  release_square_matrix(large, 40);
}

}  // namespace
