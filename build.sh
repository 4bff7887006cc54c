#!/usr/bin/env bash
# Builds detcalc, then starts it or runs every test.
#
#   ./build.sh run     build and start the calculator
#   ./build.sh test    build and run the whole test suite, then build and run it again under
#                      AddressSanitizer and UndefinedBehaviorSanitizer, then run each fuzzer for
#                      DETCALC_FUZZ_SECONDS (60 by default; 0 skips them)
#
# On a Debian machine that lacks the compilers, CMake or GoogleTest, installs them first with
# apt-get (as root, or through sudo). DETCALC_WERROR=ON turns compiler warnings into errors.
set -euo pipefail
cd "$(dirname "$0")"

run_packages=(g++ make cmake)
test_packages=(libgtest-dev valgrind util-linux man-db groff-base clang libclang-rt-dev)

ensure_packages() {
  local missing=()
  for package in "$@"; do
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return
  echo "Installing ${missing[*]}" >&2
  local as_root=()
  [ "$(id -u)" -eq 0 ] || as_root=(sudo)
  "${as_root[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

build() {  # build DIRECTORY [CMAKE OPTIONS...]
  local directory=$1
  shift
  cmake -S . -B "$directory" -DDETCALC_WERROR="${DETCALC_WERROR:-OFF}" "$@" >/dev/null
  cmake --build "$directory" -j "$(nproc)"
}

case "${1:-}" in
  run)
    ensure_packages "${run_packages[@]}"
    build build -DDETCALC_TESTS=OFF
    exec build/app/detcalc
    ;;
  test)
    ensure_packages "${run_packages[@]}" "${test_packages[@]}"
    build build -DDETCALC_TESTS=ON
    ctest --test-dir build --output-on-failure -j "$(nproc)"
    build build-sanitize -DDETCALC_SANITIZE=ON
    ctest --test-dir build-sanitize --output-on-failure -j "$(nproc)"
    fuzz_seconds=${DETCALC_FUZZ_SECONDS:-60}
    if [ "$fuzz_seconds" -gt 0 ]; then
      CC=clang CXX=clang++ build build-fuzz -DDETCALC_FUZZ=ON -DDETCALC_TESTS=OFF
      fuzz/run.sh build-fuzz "$fuzz_seconds"
    fi
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
