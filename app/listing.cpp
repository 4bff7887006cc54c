// The listing and the result line; values are widened to double precision for printing.
#include "app/listing.h"

#include <cmath>

const char* non_finite_word(float value) {
  if (std::isinf(value)) return std::signbit(value) ? "-INF" : "+INF";
  if (std::isnan(value)) return std::signbit(value) ? "-NAN" : "+NAN";
  return nullptr;
}

void print_matrix(const SquareMatrix& a, int n) {
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j) {
      const float value = a.rows[i][j];
      if (const char* word = non_finite_word(value)) {
        std::printf("%7s ", word);
      } else {
        std::printf("%7.2f ", static_cast<double>(value));
      }
    }
    std::printf("\n");
  }
}

void print_determinant(float d) {
  if (const char* word = non_finite_word(d)) {
    std::printf("\ndeterm=%s\n", word);
  } else {
    std::printf("\ndeterm=%.3f\n", static_cast<double>(d));
  }
}
