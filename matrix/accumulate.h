// The one arithmetic step of the determinant: adding or subtracting a cofactor term.
//
// The defined result: the product of two floats, exact; added to or subtracted from the running
// sum in extended precision, that is rounded to a 64-bit significand; then rounded to float when
// stored back, ties to even at both steps. Invalid operations give x87's default NaN (sign bit
// set); of two NaNs the one with the larger significand wins, the positive one on a tie.
//
// accumulate_term computes exactly that with double arithmetic, which every platform has and
// which is faster than x87 long double here: the product and the double sum are exact or nearly,
// the sum's rounding error is recovered exactly (TwoSum), and the error only matters when the
// double sum lies exactly halfway between two floats. accumulate_term_extended is the same step
// on x87 hardware, kept as the reference the emulation is tested against.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace accumulate_detail {

// The double sum sits exactly on a midpoint of the float grid: halfway between two floats, or
// between the largest float and 2^128.
[[nodiscard]] inline bool is_float_midpoint(double sum) {
  const auto bits = std::bit_cast<std::uint64_t>(sum);
  const int exponent = static_cast<int>((bits >> 52) & 0x7ff) - 1023;
  if (exponent >= -126) {
    // 53 significand bits, of which a float keeps 24: the 25th is the half bit.
    return (bits & 0x1fffffff) == 0x10000000;
  }
  // Float subnormals: the grid step is 2^-149, so midpoints are odd multiples of 2^-150.
  const int below_half_bit = -150 - (exponent - 52);
  if (below_half_bit > 52) return false;
  const std::uint64_t significand = (bits & 0xfffffffffffff) | (std::uint64_t{1} << 52);
  return ((significand >> below_half_bit) & 1) != 0 &&
         (significand & ((std::uint64_t{1} << below_half_bit) - 1)) == 0;
}

float settle_midpoint(double sum, double error);
float non_finite_term(float sum, float minor, float entry, bool subtract);

}  // namespace accumulate_detail

[[nodiscard]] inline float accumulate_term(float sum, float minor, float entry, bool subtract) {
  // Exact: 24 + 24 significand bits, and the exponent range of double holds every product.
  const double product = static_cast<double>(minor) * static_cast<double>(entry);
  const double addend = subtract ? -product : product;
  const double rounded = static_cast<double>(sum) + addend;
  if (!std::isfinite(rounded)) [[unlikely]] {
    return accumulate_detail::non_finite_term(sum, minor, entry, subtract);
  }
  // What the double addition lost, exactly (Knuth's TwoSum).
  const double addend_part = rounded - static_cast<double>(sum);
  const double error = (static_cast<double>(sum) - (rounded - addend_part)) + (addend - addend_part);
  // Off a float midpoint, the exact sum, its 64-bit rounding and the double sum all round to the
  // same float.
  if (error == 0 || !accumulate_detail::is_float_midpoint(rounded)) [[likely]] {
    return static_cast<float>(rounded);
  }
  return accumulate_detail::settle_midpoint(rounded, error);
}

#if defined(__x86_64__) || defined(__i386__)
static_assert(std::numeric_limits<long double>::digits == 64,
              "x87 long double is expected to have a 64-bit significand");
// The reference: the same step in x87 extended precision.
[[nodiscard]] inline float accumulate_term_extended(float sum, float minor, float entry,
                                                    bool subtract) {
  const long double product = static_cast<long double>(minor) * static_cast<long double>(entry);
  const long double extended = subtract ? sum - product : sum + product;
  return static_cast<float>(extended);
}
#endif
