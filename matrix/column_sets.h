// The cofactor expansion evaluated once per column set, over any accumulation step: the program
// uses accumulate_term, the benchmark compares the x87 step with its emulation.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>

#include "matrix/square_matrix.h"

// One float per column set: 2^31 of them (8 GiB) is beyond any order worth tabulating here.
inline constexpr int max_column_set_order = 31;

struct FreeTable {
  void operator()(float* table) const { std::free(table); }
};
using ColumnSetTable = std::unique_ptr<float[], FreeTable>;

// Room for `sets` floats, or nothing. A large table goes on huge pages where the system offers
// them: its many streams of reads would otherwise keep missing the TLB.
ColumnSetTable make_column_set_table(std::size_t sets);

using AccumulateStep = float (*)(float sum, float minor, float entry, bool subtract);

// Fills value[set] for every set of two or more of the n columns: the determinant of the last
// popcount(set) rows restricted to the columns in set, bit b standing for column n - b, so that
// the expansion's last columns are the lowest bits. Each value sums its columns' terms in
// increasing column order, the p-th with the sign (-1)^(1+p), from the values of the sets one
// column smaller; every one of those is a smaller number, so visiting sets in increasing order
// finds them done.
//
// Sets are taken 2^lane_bits at a time: a group shares all bits but the lowest lane_bits (its
// lanes), stored side by side. The shared columns come first in the expansion's order, so the
// lanes' sums run side by side over them, independent of each other; the lane columns' terms
// come last, lane after lane, each needing only lanes before it in the same group.
template <AccumulateStep accumulate, int lane_bits>
void fill_column_sets(const SquareMatrix& a, int n, float* value) {
  constexpr std::uint32_t lanes = 1u << lane_bits;
  const std::uint32_t groups = std::uint32_t{1} << (n - lane_bits);
  for (std::uint32_t group = 0; group < groups; ++group) {
    const int shared_columns = std::popcount(group);
    float sum[lanes];
    const float* row[lanes];
    for (std::uint32_t h = 0; h < lanes; ++h) {
      sum[h] = +0.0f;
      // Sets of fewer than two columns are not expanded; any row will do for their discarded sums.
      row[h] = a.rows[std::clamp(n - shared_columns - std::popcount(h) + 1, 1, n)];
    }
    // The shared columns' terms, from the highest bit (the first column) down, added and
    // subtracted by turns: the sign is known at compile time.
    const auto shared_term = [&]<bool subtract>(std::uint32_t left) {
      const int b = 31 - std::countl_zero(left);
      const float* minors = &value[std::size_t{group ^ (std::uint32_t{1} << b)} << lane_bits];
      const int column = n - lane_bits - b;
#pragma GCC unroll 16
      for (std::uint32_t h = 0; h < lanes; ++h) {
        sum[h] = accumulate(sum[h], minors[h], row[h][column], subtract);
      }
      return left & ~(std::uint32_t{1} << b);
    };
    for (std::uint32_t left = group; left != 0;) {
      left = shared_term.template operator()<false>(left);
      if (left == 0) break;
      left = shared_term.template operator()<true>(left);
    }
    float* const group_value = &value[std::size_t{group} << lane_bits];
    for (std::uint32_t h = 0; h < lanes; ++h) {
      if (shared_columns + std::popcount(h) < 2) continue;  // single columns are preset
      bool subtract = shared_columns % 2 == 1;
      for (int b = lane_bits - 1; b >= 0; --b) {
        if ((h >> b & 1) == 0) continue;
        sum[h] = accumulate(sum[h], group_value[h ^ (1u << b)], row[h][n - b], subtract);
        subtract = !subtract;
      }
      group_value[h] = sum[h];
    }
  }
}

template <AccumulateStep accumulate>
std::optional<float> evaluate_column_sets(const SquareMatrix& a, int n) {
  if (n < 1 || n > max_column_set_order) return std::nullopt;
  const std::size_t sets = std::size_t{1} << n;
  if (!storage_available(sets * sizeof(float))) return std::nullopt;
  const ColumnSetTable value = make_column_set_table(sets);
  if (!value) return std::nullopt;
  value[0] = 0;  // never part of a result, but read by lanes whose sums are discarded
  // One column: the entry of the last row, copied unchanged.
  for (int b = 0; b < n; ++b) value[std::size_t{1} << b] = a.rows[n][n - b];
  // Sixteen lanes fill a cache line with minors and keep the x87 busy; fewer columns, fewer lanes.
  switch (std::min(n, 4)) {
    case 1:
      break;
    case 2:
      fill_column_sets<accumulate, 2>(a, n, value.get());
      break;
    case 3:
      fill_column_sets<accumulate, 3>(a, n, value.get());
      break;
    default:
      fill_column_sets<accumulate, 4>(a, n, value.get());
      break;
  }
  return value[sets - 1];
}
