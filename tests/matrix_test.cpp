// The matrix type, row and column deletion, and the determinant's defined rounding.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <vector>

#include "matrix/determinant.h"
#include "matrix/square_matrix.h"

namespace {

// A matrix filled from rows of values, released at the end of the test.
struct Fixture {
  int n;
  SquareMatrix m;
  Fixture(std::initializer_list<std::initializer_list<float>> rows)
      : n(static_cast<int>(rows.size())), m(make_square_matrix(n)) {
    int i = 1;
    for (const auto& row : rows) {
      int j = 1;
      for (const float value : row) m.rows[i][j++] = value;
      ++i;
    }
  }
  explicit Fixture(int order) : n(order), m(make_square_matrix(order)) {}
  ~Fixture() { release_square_matrix(m, n); }
};

std::uint32_t bits(float value) {
  return std::bit_cast<std::uint32_t>(value);
}

TEST(SquareMatrix, EntriesLiveAtTheirOwnIndicesInSeparateRows) {
  for (const int n : {1, 2, 5}) {
    Fixture f(n);
    ASSERT_TRUE(square_matrix_obtained(f.m, n));
    // Writing every cell, index 0 included, must stay inside each row's own block (ASan checks).
    for (int i = 0; i <= n; ++i) {
      for (int j = 0; j <= n; ++j) f.m.rows[i][j] = static_cast<float>(10 * i + j);
    }
    for (int i = 1; i <= n; ++i) {
      for (int j = 1; j <= n; ++j) EXPECT_EQ(f.m.rows[i][j], static_cast<float>(10 * i + j));
    }
  }
}

TEST(SquareMatrix, CopyTakesEveryEntryBitForBitAndLeavesIndexZero) {
  const float signalling_nan = std::bit_cast<float>(std::uint32_t{0xff800001});
  Fixture from{{-0.0f, signalling_nan}, {1e-45f, -std::numeric_limits<float>::infinity()}};
  Fixture to(2);
  to.m.rows[0][0] = 7, to.m.rows[1][0] = 8, to.m.rows[0][1] = 9;
  copy_square_matrix(from.m, to.m, 2);
  for (int i = 1; i <= 2; ++i) {
    for (int j = 1; j <= 2; ++j) EXPECT_EQ(bits(to.m.rows[i][j]), bits(from.m.rows[i][j]));
  }
  EXPECT_EQ(to.m.rows[0][0], 7);
  EXPECT_EQ(to.m.rows[1][0], 8);
  EXPECT_EQ(to.m.rows[0][1], 9);
}

TEST(SquareMatrix, OrdersBelowOneMakeAndReleaseHarmlessly) {
  for (const int n : {0, -1, -2147483647 - 1}) {
    SquareMatrix m = make_square_matrix(n);
    EXPECT_TRUE(square_matrix_obtained(m, n));
    SquareMatrix other = make_square_matrix(n);
    copy_square_matrix(m, other, n);
    release_square_matrix(other, n);
    release_square_matrix(m, n);
  }
}

TEST(SquareMatrix, OrdersBeyondMemoryAreRefusedWithoutAllocating) {
  for (const int n : {2000000000, 2147483647}) {
    SquareMatrix m = make_square_matrix(n);
    EXPECT_FALSE(square_matrix_obtained(m, n));
    release_square_matrix(m, n);
    EXPECT_FALSE(order_fits_in_memory(n)) << n;
  }
  EXPECT_EQ(square_matrix_bytes(2147483647), SIZE_MAX);
  EXPECT_TRUE(order_fits_in_memory(100));
  // A matrix of order 4000 is 64 MB, but the expansion holds a scratch matrix at every level:
  // about 85 GB at once.
  EXPECT_FALSE(order_fits_in_memory(4000));
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool address_space_is_limitable = false;  // the sanitizer reserves terabytes up front
#else
constexpr bool address_space_is_limitable = true;
#endif

TEST(SquareMatrix, FailingPartWayReleasesTheRowsAlreadyObtained) {
  if (!address_space_is_limitable) GTEST_SKIP() << "needs an address-space limit";
  const pid_t child = fork();
  if (child == 0) {
    // Room for about 64 MB more: the row table and the first few thousand rows of an order-5000
    // matrix (100 MB) fit, the rest does not.
    rlimit limit{};
    getrlimit(RLIMIT_AS, &limit);
    std::FILE* status = std::fopen("/proc/self/statm", "r");
    unsigned long pages = 0;
    if (status == nullptr || std::fscanf(status, "%lu", &pages) != 1) _exit(2);
    std::fclose(status);
    limit.rlim_cur = pages * static_cast<unsigned long>(sysconf(_SC_PAGESIZE)) + (64ul << 20);
    setrlimit(RLIMIT_AS, &limit);
    SquareMatrix refused = make_square_matrix(5000);
    if (square_matrix_obtained(refused, 5000)) _exit(3);
    // Had the rows obtained before the failure been kept, these 50 MB would not fit.
    SquareMatrix fits = make_square_matrix(3500);
    if (!square_matrix_obtained(fits, 3500)) _exit(4);
    release_square_matrix(fits, 3500);
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(DeleteRowAndColumn, LeavesTheMinorInTheTopLeftBlock) {
  Fixture f{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
  SquareMatrix& result = delete_row_and_column(f.m, 3, 1, 2);
  EXPECT_EQ(&result, &f.m);
  EXPECT_EQ(f.m.rows[1][1], 4);
  EXPECT_EQ(f.m.rows[1][2], 6);
  EXPECT_EQ(f.m.rows[2][1], 7);
  EXPECT_EQ(f.m.rows[2][2], 9);

  struct Case {
    int r, c;
    std::vector<float> minor;  // row by row
  };
  for (const Case& k :
       std::vector<Case>{{3, 3, {1, 2, 4, 5}}, {2, 1, {2, 3, 8, 9}}, {3, 1, {2, 3, 5, 6}}}) {
    Fixture g{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    delete_row_and_column(g.m, 3, k.r, k.c);
    EXPECT_EQ((std::vector<float>{g.m.rows[1][1], g.m.rows[1][2], g.m.rows[2][1], g.m.rows[2][2]}),
              k.minor)
        << "r=" << k.r << " c=" << k.c;
  }
}

TEST(Determinant, WorkedValuesAndSmallOrders) {
  EXPECT_EQ(determinant(Fixture{{1, 2}, {3, 4}}.m, 2), -2.0f);
  EXPECT_EQ(determinant(Fixture{{1, 2, 3}, {4, 5, 6}, {7, 8, 10}}.m, 3), -3.0f);
  // Order 1 is the entry itself, copied: a negative zero stays negative, where 0 + x would not.
  EXPECT_EQ(bits(determinant(Fixture{{-0.0f}}.m, 1)), bits(-0.0f));
  EXPECT_EQ(determinant(Fixture{{1e-45f}}.m, 1), 1e-45f);
  for (const int n : {0, -1, -7}) {
    SquareMatrix none = make_square_matrix(n);
    EXPECT_EQ(bits(determinant(none, n)), bits(+0.0f)) << n;
    release_square_matrix(none, n);
  }
}

TEST(Determinant, ZeroFirstRowGivesPositiveZero) {
  // Every term is a signed zero (0 * -5 = -0), and +0 - (+0) and +0 + (-0) stay +0.
  Fixture f{{0, -0.0f, 0}, {-5, 3, 1}, {2, -7, 4}};
  EXPECT_EQ(bits(determinant(f.m, 3)), bits(+0.0f));
}

TEST(Determinant, IdentityIsExactlyOne) {
  for (int n = 1; n <= 8; ++n) {
    Fixture f(n);
    for (int i = 1; i <= n; ++i) {
      for (int j = 1; j <= n; ++j) f.m.rows[i][j] = i == j ? 1.0f : 0.0f;
    }
    EXPECT_EQ(determinant(f.m, n), 1.0f) << "order " << n;
  }
}

TEST(Determinant, LeavesItsArgumentUnchanged) {
  Fixture f(4);
  std::vector<std::uint32_t> before;
  for (int i = 0; i <= 4; ++i) {
    for (int j = 0; j <= 4; ++j) {
      f.m.rows[i][j] = 1.0f / static_cast<float>(3 + i * 7 + j * j);
      before.push_back(bits(f.m.rows[i][j]));
    }
  }
  const float first = determinant(f.m, 4);
  const float second = determinant(f.m, 4);
  EXPECT_EQ(bits(first), bits(second));
  std::vector<std::uint32_t> after;
  for (int i = 0; i <= 4; ++i) {
    for (int j = 0; j <= 4; ++j) after.push_back(bits(f.m.rows[i][j]));
  }
  EXPECT_EQ(before, after);
}

// Each term is rounded twice: to a 64-bit significand, then to float. The cases below sit on a
// rounding tie at float precision, so that the result depends on exactly that.
TEST(Determinant, RoundsEachTermThroughExtendedPrecision) {
  const float up = 1 + 0x1p-17f, down = 0.5f * (1 - 0x1p-17f);
  // Running sum 2^24 - 1, then minus the product 1/2 - 2^-35 (exact in 48 bits):
  // the exact difference 2^24 - 1.5 + 2^-35 lies just above the midpoint of 2^24 - 2 and 2^24 - 1.
  Fixture f{{16777215, up}, {down, 1}};
  EXPECT_EQ(determinant(f.m, 2), 16777215.0f);
  // A float product rounds to 1/2 and a double sum loses the 2^-35: both land on the midpoint
  // itself and round to even, 2^24 - 2.
  volatile float product_in_float = up * down;
  EXPECT_EQ(16777215.0f - product_in_float, 16777214.0f);
  volatile double sum_in_double = 16777215.0 - static_cast<double>(up) * static_cast<double>(down);
  EXPECT_EQ(static_cast<float>(sum_in_double), 16777214.0f);

  // Here the low bits of the product (2^-45) are below what 64 bits keep at 2^24: the extended sum
  // itself is the midpoint, and the tie goes to even, although the exact value is above it.
  const float up22 = 1 + 0x1p-22f, down22 = 0.5f * (1 - 0x1p-22f);
  Fixture g{{16777215, up22}, {down22, 1}};
  EXPECT_EQ(determinant(g.m, 2), 16777214.0f);
}

}  // namespace
