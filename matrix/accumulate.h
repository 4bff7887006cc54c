// The one arithmetic step of the determinant: adding or subtracting a cofactor term.
//
// The defined result: the product of two floats, exact; added to or subtracted from the running
// sum in extended precision, that is rounded to a 64-bit significand; then rounded to float when
// stored back, ties to even at both steps. Invalid operations give x87's default NaN (sign bit
// set); of two NaNs the one with the larger significand wins, the positive one on a tie.
//
// accumulate_term_extended is that step on x87 hardware, where long double has a 64-bit
// significand. accumulate_term_emulated computes the same bits with double arithmetic, which
// every platform has: the product is exact in double, and a double sum that is not exactly
// halfway between two floats rounds to the same float as the exact sum and as its 64-bit
// rounding, since no float midpoint can lie between them; only on a midpoint does the lost part
// of the sum decide. accumulate_term is the hardware step where there is one (x87 takes about a
// third of the instructions, and is faster in the determinant's loop), the emulation elsewhere.
#pragma once

#include <bit>
#include <cstdint>
#include <limits>

namespace accumulate_detail {

// Whether a double in the normal float range lies exactly halfway between two floats: of its 53
// significand bits a float keeps 24, so the 25th is set and all below it clear.
[[nodiscard]] inline bool on_normal_float_midpoint(std::uint64_t bits) {
  return (bits & 0x1fffffff) == 0x10000000;
}

// Sums on a float midpoint, in the float subnormal range, zero or not finite: the general case.
[[nodiscard]] float careful_term(float sum, float minor, float entry, bool subtract);

}  // namespace accumulate_detail

[[nodiscard]] inline float accumulate_term_emulated(float sum, float minor, float entry,
                                                    bool subtract) {
  // Exact: 24 + 24 significand bits, and the exponent range of double holds every product.
  const double product = static_cast<double>(minor) * static_cast<double>(entry);
  const double rounded =
      subtract ? static_cast<double>(sum) - product : static_cast<double>(sum) + product;
  const auto bits = std::bit_cast<std::uint64_t>(rounded);
  const std::uint64_t exponent_field = (bits >> 52) & 0x7ff;
  constexpr std::uint64_t smallest_normal_float = 1023 - 126;
  const bool on_midpoint = accumulate_detail::on_normal_float_midpoint(bits);
  // Finite and at least the smallest normal float, in one unsigned comparison.
  const bool normal_range = exponent_field - smallest_normal_float < 0x7ff - smallest_normal_float;
  if (!on_midpoint && normal_range) [[likely]]
    return static_cast<float>(rounded);
  return accumulate_detail::careful_term(sum, minor, entry, subtract);
}

#if (defined(__x86_64__) || defined(__i386__)) && !defined(DETCALC_EMULATE_EXTENDED)
#define DETCALC_HAS_EXTENDED 1
static_assert(std::numeric_limits<long double>::digits == 64,
              "x87 long double is expected to have a 64-bit significand");

[[nodiscard]] inline float accumulate_term_extended(float sum, float minor, float entry,
                                                    bool subtract) {
  const long double product = static_cast<long double>(minor) * static_cast<long double>(entry);
  const long double extended = subtract ? sum - product : sum + product;
  return static_cast<float>(extended);
}

[[nodiscard]] inline float accumulate_term(float sum, float minor, float entry, bool subtract) {
  return accumulate_term_extended(sum, minor, entry, subtract);
}
#else
[[nodiscard]] inline float accumulate_term(float sum, float minor, float entry, bool subtract) {
  return accumulate_term_emulated(sum, minor, entry, subtract);
}
#endif
