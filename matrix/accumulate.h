// The one arithmetic step of the determinant: adding or subtracting a cofactor term.
//
// The product of two floats is exact in a 64-bit significand (24 + 24 bits). The sum is rounded
// once to 64 bits and once more to float when it is stored back, so the running sum never carries
// excess precision from one term to the next. That double rounding is the defined result, not an
// accident: it differs from plain float and from double accumulation near rounding ties.
#pragma once

#include <limits>

static_assert(std::numeric_limits<long double>::digits == 64,
              "detcalc needs long double with a 64-bit significand (x87 extended precision)");

[[nodiscard]] inline float accumulate_term(float sum, float minor, float entry, bool subtract) {
  const long double product = static_cast<long double>(minor) * static_cast<long double>(entry);
  const long double extended = subtract ? sum - product : sum + product;
  return static_cast<float>(extended);
}
