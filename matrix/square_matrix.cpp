// Making, releasing and copying square matrices.
#include "matrix/square_matrix.h"

#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <new>

namespace {

std::size_t saturating_add(std::size_t a, std::size_t b) {
  std::size_t sum = 0;
  return __builtin_add_overflow(a, b, &sum) ? SIZE_MAX : sum;
}

std::size_t saturating_mul(std::size_t a, std::size_t b) {
  std::size_t product = 0;
  return __builtin_mul_overflow(a, b, &product) ? SIZE_MAX : product;
}

}  // namespace

std::size_t square_matrix_bytes(int n) {
  if (n < 0) return 0;
  const std::size_t slots = static_cast<std::size_t>(n) + 1;
  return saturating_add(saturating_mul(slots, sizeof(float*)),
                        saturating_mul(slots, saturating_mul(slots, sizeof(float))));
}

bool storage_available(std::size_t bytes) {
  // Asked once: the answer costs a system call, and every scratch matrix asks.
  static const std::size_t physical_memory = [] {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long page_size = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || page_size <= 0) return std::size_t{SIZE_MAX};  // unknown: up to the allocator
    return saturating_mul(static_cast<std::size_t>(pages), static_cast<std::size_t>(page_size));
  }();
  return bytes <= physical_memory;
}

SquareMatrix make_square_matrix(int n) {
  SquareMatrix m;
  if (n < 0 || !storage_available(square_matrix_bytes(n))) return m;
  const std::size_t slots = static_cast<std::size_t>(n) + 1;
  m.rows = new (std::nothrow) float*[slots];
  if (m.rows == nullptr) return m;
  for (std::size_t i = 0; i < slots; ++i) {
    m.rows[i] = new (std::nothrow) float[slots];
    if (m.rows[i] == nullptr) {
      while (i > 0) delete[] m.rows[--i];
      delete[] m.rows;
      m.rows = nullptr;
      return m;
    }
  }
  return m;
}

bool square_matrix_obtained(const SquareMatrix& m, int n) {
  return n < 0 || m.rows != nullptr;
}

void release_square_matrix(SquareMatrix& m, int n) {
  if (m.rows == nullptr) return;
  for (int i = 0; i <= n; ++i) delete[] m.rows[i];
  delete[] m.rows;
  m.rows = nullptr;
}

void copy_square_matrix(const SquareMatrix& from, SquareMatrix& to, int n) {
  // memcpy rather than float assignment, so that every bit pattern (signalling NaNs included)
  // arrives unchanged.
  for (int i = 1; i <= n; ++i) {
    std::memcpy(&to.rows[i][1], &from.rows[i][1], static_cast<std::size_t>(n) * sizeof(float));
  }
}
