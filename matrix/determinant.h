// The determinant of a square matrix by cofactor expansion along the first row.
#pragma once

#include <optional>

#include "matrix/square_matrix.h"

// Deletes row r and column c of the order-n matrix m in place, 1 <= r, c <= n: entries (1..n-1,
// 1..n-1) then hold the minor, rows and columns in their old order. Row n and column n keep
// whatever the shifts left there. Returns m.
SquareMatrix& delete_row_and_column(SquareMatrix& m, int n, int r, int c);

// The determinant of the order-n matrix a, which is left unchanged: every term accumulated with
// accumulate_term, strictly from column 1 to n; orders below 1 give +0. Small orders take the
// expansion as written (cofactor_determinant); larger ones the same expansion with every minor
// computed once (column_set_determinant), which gives the same bits. NaN when not even the
// expansion's scratch storage can be obtained (order_fits_in_memory tells beforehand).
[[nodiscard]] float determinant(const SquareMatrix& a, int n);

// The expansion as written: each call copies its argument into a scratch matrix of its own,
// deletes the first row and a column, and recurses. Takes about (e-1)n! calls.
[[nodiscard]] float cofactor_determinant(const SquareMatrix& a, int n);

// The same expansion, evaluated once per minor. Every minor the expansion meets uses the last k
// rows and some set of k columns, and its value depends on nothing else; so the determinant of
// each column set, computed in the same term order from those one smaller, gives bit for bit
// the expansion's result with n * 2^(n-1) terms instead of about e * n!. Needs one float per
// column set; nullopt when that cannot be had.
[[nodiscard]] std::optional<float> column_set_determinant(const SquareMatrix& a, int n);

// The smallest order that determinant evaluates by column sets.
inline constexpr int column_set_threshold = 8;

// Whether a matrix of order n and everything its determinant needs fit in this machine's memory.
[[nodiscard]] bool order_fits_in_memory(int n);
