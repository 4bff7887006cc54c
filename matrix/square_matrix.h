// The square matrix of single-precision numbers that the whole program works on.
//
// Rows and columns are numbered from 1 to n. A matrix is a table of n+1 row pointers, slots 0..n,
// each to a separately allocated row of n+1 cells, 0..n; row 0 and cell 0 of every row exist but
// are never used. The matrix does not know its order: every operation takes the order beside it,
// and a matrix is released with the order it was made with.
#pragma once

#include <cstddef>

struct SquareMatrix {
  float** rows = nullptr;  // rows[i][j] is entry (i, j)
};

// Makes a matrix of order n with undefined cells. An order below 0 gives a matrix without a row
// table. When the storage cannot be obtained, whatever was obtained is released again and the
// result has no row table either: see square_matrix_obtained.
[[nodiscard]] SquareMatrix make_square_matrix(int n);

// Whether make_square_matrix(n) actually obtained its storage.
[[nodiscard]] bool square_matrix_obtained(const SquareMatrix& m, int n);

// Releases every row make_square_matrix(n) obtained, slot 0 included, then the row table.
void release_square_matrix(SquareMatrix& m, int n);

// Copies entries (1..n, 1..n) bit for bit, row by row; row 0 and column 0 are not touched.
void copy_square_matrix(const SquareMatrix& from, SquareMatrix& to, int n);

// Bytes that a matrix of order n occupies, or SIZE_MAX when that does not fit in a size_t.
[[nodiscard]] std::size_t square_matrix_bytes(int n);

// Whether this machine could hold `bytes` of matrices at once. Allocation alone does not tell:
// with memory overcommit a huge request succeeds and the process is killed once it is touched.
[[nodiscard]] bool storage_available(std::size_t bytes);
