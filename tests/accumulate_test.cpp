// The accumulation step against x87 extended precision, on operands chosen to hit every corner
// of its rounding: float midpoints reached through deep low bits, cancellation, overflow,
// subnormals, infinities, NaNs and signed zeros.
#include "matrix/accumulate.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace {

#if DETCALC_HAS_EXTENDED

std::uint32_t bits(float value) {
  return std::bit_cast<std::uint32_t>(value);
}

struct Operands {
  float sum, minor, entry;
  bool subtract;
};

class Generator {
 public:
  explicit Generator(std::uint64_t seed) : random_(seed) {}

  std::uint32_t below(std::uint32_t bound) { return static_cast<std::uint32_t>(random_() % bound); }
  float any_bits() { return std::bit_cast<float>(static_cast<std::uint32_t>(random_())); }
  float with_exponent(int exponent) {  // a random 24-bit significand at 2^exponent
    return std::ldexp(1.0f + static_cast<float>(below(1u << 23)) * 0x1p-23f, exponent);
  }
  float signed_(float value) { return below(2) ? -value : value; }

  // A product of two floats that lands within a few 2^-46 relative of target, with low bits far
  // below float precision: (1 + u)(1 - u') = 1 + (u - u') - uu'.
  void near_product(double target, float& minor, float& entry) {
    int exponent = 0;
    const double fraction = std::frexp(target, &exponent);
    const auto u = static_cast<float>(below(1u << 12)) * 0x1p-23f;
    const auto v = static_cast<float>(static_cast<int>(below(9)) - 4) * 0x1p-23f;
    minor = static_cast<float>(fraction) * (1 + u);
    entry = std::ldexp(1 - u + v, exponent);
  }

  Operands next() {
    Operands o{};
    o.subtract = below(2) != 0;
    switch (below(6)) {
      case 0:  // arbitrary bit patterns: NaNs, infinities, subnormals, zeros now and then
        o = {any_bits(), any_bits(), any_bits(), o.subtract};
        break;
      case 1: {  // the product near an odd multiple of half the sum's last place
        o.sum = signed_(with_exponent(static_cast<int>(below(250)) - 125));
        const double half_place = std::ldexp(1.0, std::ilogb(o.sum) - 24);
        near_product(half_place * (2 * below(4) + 1), o.minor, o.entry);
        o.minor = signed_(o.minor);
        break;
      }
      case 2: {  // deep cancellation: the sum is the product rounded to float
        o.minor = signed_(with_exponent(static_cast<int>(below(120)) - 60));
        o.entry = signed_(with_exponent(static_cast<int>(below(120)) - 60));
        const float rounded = o.minor * o.entry;
        o.sum = o.subtract ? rounded : -rounded;
        break;
      }
      case 3: {  // overflow: near the largest float and the midpoint beyond it
        o.sum = signed_(std::numeric_limits<float>::max() * (below(2) ? 1.0f : 0.75f));
        near_product(std::ldexp(1.0, 103 + static_cast<int>(below(3))), o.minor, o.entry);
        o.minor = signed_(o.minor);
        break;
      }
      case 4: {  // subnormals: sums and products around odd multiples of 2^-150
        o.sum = signed_(std::bit_cast<float>(below(1u << 24)));
        near_product(std::ldexp(static_cast<double>(2 * below(64) + 1), -150), o.minor, o.entry);
        o.minor = signed_(o.minor);
        break;
      }
      default: {  // special values mixed with ordinary ones
        const float specials[] = {0.0f,
                                  -0.0f,
                                  std::numeric_limits<float>::infinity(),
                                  -std::numeric_limits<float>::infinity(),
                                  std::bit_cast<float>(0x7fc00000u | below(1u << 22)),
                                  std::bit_cast<float>(0xffc00000u | below(1u << 22)),
                                  std::bit_cast<float>(0x7f800001u + below(1u << 21)),
                                  std::bit_cast<float>(0x00000001u + below(1u << 20)),
                                  1.0f,
                                  -3.5f};
        auto pick = [&] { return specials[below(std::size(specials))]; };
        o = {pick(), pick(), pick(), o.subtract};
      }
    }
    // Of two signalling or mixed NaNs, x87 passes on one or the other depending on which operand
    // the compiler keeps in memory: no defined result to compare against. A single one is fine.
    const int nans = std::isnan(o.sum) + std::isnan(o.minor) + std::isnan(o.entry);
    if (nans > 1) {
      for (float* value : {&o.sum, &o.minor, &o.entry}) {
        if (std::isnan(*value)) *value = std::bit_cast<float>(bits(*value) | 0x00400000u);
      }
    }
    return o;
  }

 private:
  std::mt19937_64 random_;
};

TEST(AccumulateTerm, MatchesExtendedPrecisionBitForBit) {
  Generator generator(20261211);
  int mismatches = 0;
  for (int k = 0; k < 6'000'000 && mismatches < 10; ++k) {
    const Operands o = generator.next();
    const float expected = accumulate_term_extended(o.sum, o.minor, o.entry, o.subtract);
    const float emulated = accumulate_term_emulated(o.sum, o.minor, o.entry, o.subtract);
    if (bits(expected) != bits(emulated)) {
      ++mismatches;
      ADD_FAILURE() << std::hex << "sum " << bits(o.sum) << (o.subtract ? " - " : " + ")
                    << bits(o.minor) << " * " << bits(o.entry) << ": extended " << bits(expected)
                    << ", emulated " << bits(emulated);
    }
  }
}

TEST(AccumulateTerm, HandPickedCorners) {
  const float infinity = std::numeric_limits<float>::infinity();
  const float nan = std::bit_cast<float>(0x7fc00001u);
  const struct {
    Operands o;
    std::uint32_t expected;
  } cases[] = {
      {{16777215, 1 + 0x1p-17f, 0.5f * (1 - 0x1p-17f), true},
       bits(16777215.0f)},  // extended keeps 2^-35
      {{16777215, 1 + 0x1p-22f, 0.5f * (1 - 0x1p-22f), true}, bits(16777214.0f)},  // 2^-45 is lost
      {{0.0f, -0.0f, 5, false}, bits(0.0f)},
      {{-0.0f, 0.0f, 5, true}, bits(-0.0f)},
      {{-0.0f, -0.0f, 5, true}, bits(0.0f)},
      {{0.0f, infinity, 0, false}, 0xffc00000},                          // invalid: the default NaN
      {{infinity, infinity, 1, true}, 0xffc00000},                       // infinity minus infinity
      {{nan, std::bit_cast<float>(0xffc00002u), 1, true}, 0xffc00002},   // larger significand wins
      {{std::bit_cast<float>(0xffc00001u), nan, 1, false}, 0x7fc00001},  // a tie goes positive
      {{1, std::bit_cast<float>(0xff800001u), 1, true}, 0xffc00001},     // quietened, sign kept
      {{3.4028235e38f, 0x1p103f, 1, false}, bits(infinity)},             // the overflow midpoint
  };
  for (const auto& c : cases) {
    EXPECT_EQ(bits(accumulate_term_emulated(c.o.sum, c.o.minor, c.o.entry, c.o.subtract)),
              c.expected)
        << std::hex << bits(c.o.sum) << " " << bits(c.o.minor) << " " << bits(c.o.entry);
    EXPECT_EQ(bits(accumulate_term_extended(c.o.sum, c.o.minor, c.o.entry, c.o.subtract)),
              c.expected);
  }
}

#endif

}  // namespace
