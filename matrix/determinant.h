// The determinant of a square matrix by cofactor expansion along the first row.
#pragma once

#include "matrix/square_matrix.h"

// Deletes row r and column c of the order-n matrix m in place, 1 <= r, c <= n: entries (1..n-1,
// 1..n-1) then hold the minor, rows and columns in their old order. Row n and column n keep
// whatever the shifts left there. Returns m.
SquareMatrix& delete_row_and_column(SquareMatrix& m, int n, int r, int c);

// The determinant of the order-n matrix a, which is left unchanged. Every term is accumulated
// with accumulate_term, strictly from column 1 to n; orders below 1 give +0. NaN when the scratch
// storage cannot be obtained (order_fits_in_memory tells beforehand).
[[nodiscard]] float determinant(const SquareMatrix& a, int n);

// Whether a matrix of order n and everything its determinant needs fit in this machine's memory.
[[nodiscard]] bool order_fits_in_memory(int n);
