// Reading orders and entries from typed text, and writing numbers back.
#include "app/number_reading.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "app/listing.h"

namespace {

InputBuffer typed(std::string text) {
  InputBuffer input;
  input.bytes = std::move(text);
  return input;
}

std::string rest(const InputBuffer& input) {
  return input.bytes.substr(input.next);
}

TEST(ReadOrder, TakesSignAndDigitsAndLeavesTheRest) {
  const struct {
    std::string text;
    ReadStatus status;
    int value;
    std::string left;
  } cases[] = {
      {"3", ReadStatus::number, 3, ""},
      {"  \n\t 12\n", ReadStatus::number, 12, "\n"},
      {"2.5\n", ReadStatus::number, 2, ".5\n"},
      {"-4 7", ReadStatus::number, -4, " 7"},
      {"+0", ReadStatus::number, 0, ""},
      {"0007x", ReadStatus::number, 7, "x"},
      {"2147483647", ReadStatus::number, 2147483647, ""},
      {"-2147483648", ReadStatus::number, -2147483647 - 1, ""},
      {"2147483648", ReadStatus::not_a_number, 0, "2147483648"},
      {"-2147483649", ReadStatus::not_a_number, 0, "-2147483649"},
      {"99999999999999999999999", ReadStatus::not_a_number, 0, "99999999999999999999999"},
      {"abc\n", ReadStatus::not_a_number, 0, "abc\n"},
      {"-", ReadStatus::not_a_number, 0, "-"},
      {"+-1", ReadStatus::not_a_number, 0, "+-1"},
      {".5", ReadStatus::not_a_number, 0, ".5"},
      {"", ReadStatus::end_of_input, 0, ""},
      {" \n \n", ReadStatus::end_of_input, 0, ""},
  };
  for (const auto& c : cases) {
    InputBuffer input = typed(c.text);
    const NumberRead<int> read = read_order(input);
    EXPECT_EQ(read.status, c.status) << c.text;
    if (c.status == ReadStatus::number) {
      EXPECT_EQ(read.value, c.value) << c.text;
    }
    EXPECT_EQ(rest(input), c.left) << c.text;
  }
}

TEST(ReadEntry, TakesTheLongestNumberAndLeavesTheRest) {
  const float infinity = std::numeric_limits<float>::infinity();
  const struct {
    std::string text;
    ReadStatus status;
    float value;
    std::string left;
  } cases[] = {
      {"1", ReadStatus::number, 1, ""},
      {" -2.75\n", ReadStatus::number, -2.75f, "\n"},
      {".5\n", ReadStatus::number, 0.5f, "\n"},
      {"5.", ReadStatus::number, 5, ""},
      {"+.25e1", ReadStatus::number, 2.5f, ""},
      {"1e3 4", ReadStatus::number, 1000, " 4"},
      {"1E-2", ReadStatus::number, 0.01f, ""},
      {"2e", ReadStatus::number, 2, "e"},
      {"2e+x", ReadStatus::number, 2, "e+x"},
      {"1.5abc", ReadStatus::number, 1.5f, "abc"},
      {"3,5", ReadStatus::number, 3, ",5"},
      {"0.1", ReadStatus::number, 0.1f, ""},  // straight to float, not through double
      {"1e39", ReadStatus::number, infinity, ""},
      {"-1e39", ReadStatus::number, -infinity, ""},
      {"340282366920938463463374607431768211456", ReadStatus::number, infinity, ""},  // 2^128
      // Halfway between the largest float and 2^128: the tie goes to the even side, infinity.
      {"340282356779733661637539395458142568448", ReadStatus::number, infinity, ""},
      {"340282346638528859811704183484516925440", ReadStatus::number, 3.40282347e38f, ""},
      {"1e-46", ReadStatus::number, 0, ""},
      {"1e-45", ReadStatus::number, 1e-45f, ""},
      {"1e99999999999999999999", ReadStatus::number, infinity, ""},
      {"abc", ReadStatus::not_a_number, 0, "abc"},
      {".", ReadStatus::not_a_number, 0, "."},
      {"-.e5", ReadStatus::not_a_number, 0, "-.e5"},
      {"inf", ReadStatus::not_a_number, 0, "inf"},
      {"nan", ReadStatus::not_a_number, 0, "nan"},
      {"", ReadStatus::end_of_input, 0, ""},
  };
  for (const auto& c : cases) {
    InputBuffer input = typed(c.text);
    const NumberRead<float> read = read_entry(input);
    EXPECT_EQ(read.status, c.status) << c.text;
    if (c.status == ReadStatus::number) {
      EXPECT_EQ(std::bit_cast<std::uint32_t>(read.value), std::bit_cast<std::uint32_t>(c.value))
          << c.text;
    }
    EXPECT_EQ(rest(input), c.left) << c.text;
  }
  InputBuffer negative_zero = typed("-0");
  EXPECT_TRUE(std::signbit(read_entry(negative_zero).value));
}

TEST(ReadEntry, SeveralNumbersOnALineFeedSuccessiveReads) {
  InputBuffer input = typed("3 1 2\t3\n4 5e0 6 7 8 10 99\n");
  EXPECT_EQ(read_order(input).value, 3);
  std::vector<float> entries;
  for (int k = 0; k < 9; ++k) entries.push_back(read_entry(input).value);
  EXPECT_EQ(entries, (std::vector<float>{1, 2, 3, 4, 5, 6, 7, 8, 10}));
  EXPECT_EQ(rest(input), " 99\n");
}

TEST(DiscardLine, DropsTheRestOfTheLineAndQuotesIt) {
  InputBuffer input = typed("  abc def  \n7\n");
  EXPECT_EQ(discard_line(input, 40), "abc def");
  EXPECT_EQ(rest(input), "7\n");
  InputBuffer long_line = typed(std::string(100, 'x') + "\n1");
  EXPECT_EQ(discard_line(long_line, 5), "xxxxx");
  EXPECT_EQ(rest(long_line), "1");
  InputBuffer unfinished = typed("abc");
  EXPECT_EQ(discard_line(unfinished, 40), "abc");
  EXPECT_EQ(read_nonblank_character(unfinished), -1);
}

TEST(ReadNonblankCharacter, SkipsWhitespace) {
  InputBuffer input = typed(" \n y\tn");
  EXPECT_EQ(read_nonblank_character(input), 'y');
  EXPECT_EQ(read_nonblank_character(input), 'n');
  EXPECT_EQ(read_nonblank_character(input), -1);
}

TEST(NonFiniteWord, NamesInfinitiesAndNaNsWithTheirSign) {
  const float infinity = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_STREQ(non_finite_word(infinity), "+INF");
  EXPECT_STREQ(non_finite_word(-infinity), "-INF");
  EXPECT_STREQ(non_finite_word(std::copysign(nan, 1.0f)), "+NAN");
  EXPECT_STREQ(non_finite_word(std::copysign(nan, -1.0f)), "-NAN");
  EXPECT_EQ(non_finite_word(3.4e38f), nullptr);
  EXPECT_EQ(non_finite_word(-0.0f), nullptr);
}

}  // namespace
