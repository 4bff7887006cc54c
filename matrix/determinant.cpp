// The determinant by cofactor expansion along the first row: as written, each minor built in a
// scratch copy of its own, and by column sets, each minor computed once.
#include "matrix/determinant.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <limits>

#include "matrix/accumulate.h"
#include "matrix/column_sets.h"

namespace {

// Every level of the recursion holds a scratch matrix of its order at the same time: orders n,
// n-1, ..., 1, all at once at the deepest point.
std::size_t recursion_scratch_bytes(int n) {
  if (n < 1) return square_matrix_bytes(n);
  // Sum over k = 1..n of (k+1) row pointers and (k+1)^2 cells, in closed form.
  const long double top = static_cast<long double>(n) + 1;
  const long double slots = top * (top + 1) / 2 - 1;
  const long double cells = top * (top + 1) * (2 * top + 1) / 6 - 1;
  const long double bytes = slots * sizeof(float*) + cells * sizeof(float);
  if (bytes >= static_cast<long double>(SIZE_MAX)) return SIZE_MAX;
  return static_cast<std::size_t>(bytes);
}

}  // namespace

SquareMatrix& delete_row_and_column(SquareMatrix& m, int n, int r, int c) {
  // Column by column: every row below r moves up by one.
  for (int j = 1; j <= n; ++j) {
    for (int k = r; k <= n - 1; ++k) m.rows[k][j] = m.rows[k + 1][j];
  }
  // Row by row, row n included: every column right of c moves left by one.
  for (int k = 1; k <= n; ++k) {
    for (int j = c; j <= n - 1; ++j) m.rows[k][j] = m.rows[k][j + 1];
  }
  return m;
}

float cofactor_determinant(const SquareMatrix& a, int n) {
  float sum = +0.0f;
  SquareMatrix s = make_square_matrix(n);
  if (!square_matrix_obtained(s, n)) return std::numeric_limits<float>::quiet_NaN();
  if (n >= 2) {
    for (int i = 1; i <= n; ++i) {
      copy_square_matrix(a, s, n);
      const float minor = cofactor_determinant(delete_row_and_column(s, n, 1, i), n - 1);
      sum = accumulate_term(sum, minor, a.rows[1][i], i % 2 == 0);
    }
  }
  if (n == 1) sum = a.rows[1][1];
  release_square_matrix(s, n);
  return sum;
}

ColumnSetTable make_column_set_table(std::size_t sets) {
  constexpr std::size_t huge_page = std::size_t{2} << 20;
  const std::size_t bytes = sets * sizeof(float);
  if (bytes < huge_page) return ColumnSetTable(static_cast<float*>(std::malloc(bytes)));
  const std::size_t rounded_up = (bytes + huge_page - 1) / huge_page * huge_page;
  ColumnSetTable table(static_cast<float*>(std::aligned_alloc(huge_page, rounded_up)));
#ifdef MADV_HUGEPAGE
  if (table) madvise(table.get(), rounded_up, MADV_HUGEPAGE);  // only advice: failure is harmless
#endif
  return table;
}

std::optional<float> column_set_determinant(const SquareMatrix& a, int n) {
  return evaluate_column_sets<accumulate_term>(a, n);
}

float determinant(const SquareMatrix& a, int n) {
  if (n >= column_set_threshold) {
    if (const std::optional<float> d = column_set_determinant(a, n)) return *d;
  }
  return cofactor_determinant(a, n);
}

bool order_fits_in_memory(int n) {
  const std::size_t matrix = square_matrix_bytes(n);
  const std::size_t scratch = recursion_scratch_bytes(n);
  return matrix <= SIZE_MAX - scratch && storage_available(matrix + scratch);
}
