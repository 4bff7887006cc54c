// The rare cases of accumulate_term_emulated: a double sum on a float midpoint or in the float
// subnormal range, and values that are not finite.
#include "matrix/accumulate.h"

#include <cmath>

namespace accumulate_detail {

namespace {

constexpr std::uint32_t quiet_bit = 0x00400000;
constexpr std::uint32_t significand_bits = 0x007fffff;
constexpr std::uint32_t default_nan = 0xffc00000;  // x87's "indefinite": negative and quiet

std::uint32_t bits_of(float value) {
  return std::bit_cast<std::uint32_t>(value);
}

// Of two operands, at least one a NaN: the NaN the x87 passes on, quietened; of two, the larger
// significand. (Between a signalling and a quiet NaN the x87's choice depends on which operand
// sits in memory, which is the compiler's business; no typed entry is ever signalling, and here
// a signalling NaN simply counts as its quiet form.)
float pass_on_nan(float a, float b) {
  const std::uint32_t quiet_a = bits_of(a) | quiet_bit;
  const std::uint32_t quiet_b = bits_of(b) | quiet_bit;
  if (!std::isnan(b)) return std::bit_cast<float>(quiet_a);
  if (!std::isnan(a)) return std::bit_cast<float>(quiet_b);
  const std::uint32_t significand_a = quiet_a & significand_bits;
  const std::uint32_t significand_b = quiet_b & significand_bits;
  if (significand_a != significand_b) {
    return std::bit_cast<float>(significand_a > significand_b ? quiet_a : quiet_b);
  }
  // Equal significands: the positive one, if either is.
  return std::bit_cast<float>(quiet_a & quiet_b);
}

// The double sum sits exactly on a midpoint of the float grid: halfway between two floats, or
// between the largest float and 2^128.
bool is_float_midpoint(double sum) {
  const auto bits = std::bit_cast<std::uint64_t>(sum);
  const int exponent = static_cast<int>((bits >> 52) & 0x7ff) - 1023;
  if (exponent >= -126) return on_normal_float_midpoint(bits);
  // Float subnormals: the grid step is 2^-149, so midpoints are odd multiples of 2^-150.
  const int below_half_bit = -150 - (exponent - 52);
  if (below_half_bit > 52) return false;
  const std::uint64_t significand = (bits & 0xfffffffffffff) | (std::uint64_t{1} << 52);
  return ((significand >> below_half_bit) & 1) != 0 &&
         (significand & ((std::uint64_t{1} << below_half_bit) - 1)) == 0;
}

float settle_midpoint(double sum, double error) {
  // The 64-bit rounding keeps the midpoint unless the error reaches past half its last place;
  // at exactly half, ties to even keep it too (a midpoint has at most 25 significant bits).
  // The exact sum lies in the binade of the double sum: a midpoint is never a power of two but
  // for 2^-150, and no product of two floats brings an exact sum within 2^-214 of that one.
  const std::uint64_t exponent_field = (std::bit_cast<std::uint64_t>(sum) >> 52) & 0x7ff;
  const double half_place = std::bit_cast<double>((exponent_field - 64) << 52);
  if (std::fabs(error) <= half_place) return static_cast<float>(sum);
  // Otherwise the extended sum is off the midpoint on the error's side, and so is the float.
  const double beyond = std::nextafter(sum, error > 0 ? std::numeric_limits<double>::infinity()
                                                      : -std::numeric_limits<double>::infinity());
  return static_cast<float>(beyond);
}

float non_finite_term(float sum, float minor, float entry, bool subtract) {
  float product_nan = 0;
  bool product_is_nan = true;
  double product = 0;
  if (std::isnan(minor) || std::isnan(entry)) {
    product_nan = pass_on_nan(minor, entry);
  } else if ((std::isinf(minor) && entry == 0) || (minor == 0 && std::isinf(entry))) {
    product_nan = std::bit_cast<float>(default_nan);
  } else {
    product_is_nan = false;
    product = static_cast<double>(minor) * static_cast<double>(entry);
  }
  // A NaN is passed on as it is; subtracting does not change its sign.
  if (product_is_nan || std::isnan(sum)) return pass_on_nan(sum, product_nan);
  const bool addend_negative = std::signbit(product) != subtract;
  if (std::isinf(sum) && std::isinf(product) && std::signbit(sum) != addend_negative) {
    return std::bit_cast<float>(default_nan);  // infinity minus infinity
  }
  return static_cast<float>(subtract ? sum - product : sum + product);
}

}  // namespace

float careful_term(float sum, float minor, float entry, bool subtract) {
  const double product = static_cast<double>(minor) * static_cast<double>(entry);
  const double addend = subtract ? -product : product;
  const double rounded = static_cast<double>(sum) + addend;
  if (!std::isfinite(rounded)) return non_finite_term(sum, minor, entry, subtract);
  // What the double addition lost, exactly (Knuth's TwoSum).
  const double addend_part = rounded - static_cast<double>(sum);
  const double error =
      (static_cast<double>(sum) - (rounded - addend_part)) + (addend - addend_part);
  if (error == 0 || !is_float_midpoint(rounded)) return static_cast<float>(rounded);
  return settle_midpoint(rounded, error);
}

}  // namespace accumulate_detail
