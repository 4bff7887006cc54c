// Writing numbers for the user: the matrix listing and the determinant.
#pragma once

#include <cstdio>

#include "matrix/square_matrix.h"

// "+INF", "-INF", "+NAN" or "-NAN" for a value that is not finite, nullptr for a finite one. The
// C library would write "inf" or "-nan", lower case and with no sign for positive values.
[[nodiscard]] const char* non_finite_word(float value);

// The listing: every row of the order-n matrix a on a line, each entry "%7.2f " (a right-aligned
// field of at least 7 characters, two decimals, a blank after it).
void print_matrix(const SquareMatrix& a, int n);

// The result line, "\ndeterm=%.3f\n".
void print_determinant(float d);
