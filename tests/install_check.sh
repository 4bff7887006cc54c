#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what lands there, then renders the manual
# and fails on any warning.
set -eu
build=$1
manual=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
failures=0
for file in bin/detcalc share/man/man1/detcalc.1; do
  if [ ! -f "$prefix/$file" ]; then
    echo "install: $file is missing"
    failures=$((failures + 1))
  fi
done
[ -x "$prefix/bin/detcalc" ] || { echo "install: bin/detcalc is not executable"; failures=$((failures + 1)); }
warnings=$(MANWIDTH=80 man --warnings -l "$manual" 2>&1 >/dev/null)
if [ -n "$warnings" ]; then
  echo "install: the manual renders with warnings:"
  echo "$warnings"
  failures=$((failures + 1))
fi
echo "install: $((4 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
