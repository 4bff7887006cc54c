// Determinant timings: the expansion as written against the same expansion by column sets, and
// x87 extended precision against its emulation in double arithmetic.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <random>

#include "matrix/accumulate.h"
#include "matrix/column_sets.h"
#include "matrix/determinant.h"
#include "matrix/square_matrix.h"

namespace {

SquareMatrix random_matrix(int n) {
  SquareMatrix m = make_square_matrix(n);
  std::mt19937 random(static_cast<unsigned>(n));
  std::uniform_real_distribution<float> entries(-10.0f, 10.0f);
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j) m.rows[i][j] = entries(random);
  }
  return m;
}

template <typename Evaluate>
void run(benchmark::State& state, Evaluate evaluate) {
  const int n = static_cast<int>(state.range(0));
  SquareMatrix m = random_matrix(n);
  for (auto _ : state) benchmark::DoNotOptimize(evaluate(m, n));
  release_square_matrix(m, n);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024;
}

void cofactors(benchmark::State& state) {
  run(state, cofactor_determinant);
}
void column_sets(benchmark::State& state) {
  run(state, [](const SquareMatrix& m, int n) { return *column_set_determinant(m, n); });
}
void column_sets_emulated(benchmark::State& state) {
  run(state, [](const SquareMatrix& m, int n) {
    return *evaluate_column_sets<accumulate_term_emulated>(m, n);
  });
}
void dispatched(benchmark::State& state) {
  run(state, determinant);
}

BENCHMARK(cofactors)->DenseRange(5, 11)->Unit(benchmark::kMillisecond);
BENCHMARK(column_sets)
    ->DenseRange(5, 11)
    ->Arg(16)
    ->Arg(20)
    ->Arg(24)
    ->Arg(26)
    ->Arg(28)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(column_sets_emulated)->Arg(11)->Arg(20)->Arg(24)->Unit(benchmark::kMillisecond);
BENCHMARK(dispatched)->DenseRange(1, 10)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
