#!/usr/bin/env bash
# Runs detcalc under valgrind's memcheck, without a terminal, along the paths that allocate:
# ordinary calculations, rejected text, a refused order, and input ending inside a matrix.
# Any memory error or leak fails.
set -u
detcalc=$1
failures=0
while IFS='|' read -r name input; do
  printf '%b' "$input" | setsid valgrind -q --error-exitcode=99 --leak-check=full \
    --show-leak-kinds=all --errors-for-leak-kinds=all "$detcalc" >/dev/null 2>/tmp/memcheck.$$
  status=$?
  # Status 1 is the program's own answer to input ending inside a matrix; valgrind's reports
  # begin with ==pid==.
  if [ "$status" -gt 1 ] || grep -q '^==[0-9]*==' /tmp/memcheck.$$; then
    echo "memcheck: $name: status $status"
    cat /tmp/memcheck.$$
    failures=$((failures + 1))
  fi
done <<'SCENARIOS'
calculations|3 1 2 3 4 5 6 7 8 10 y 1 5 Y 0 y -3 y 5 1 0 0 0 0 0 1 0 0 0 0 0 1 0 0 0 0 0 1 0 0 0 0 0 1 n
order 8, by column sets|8 3 1 4 1 5 9 2 6 5 3 5 8 9 7 9 3 2 3 8 4 6 2 6 4 3 3 8 3 2 7 9 5 0 2 8 8 4 1 9 7 1 6 9 3 9 9 3 7 5 1 0 5 8 2 0 9 7 4 9 4 4 5 9 2 n
rejected text|x\n2 -\n1.5abc\n2 3 4\n-n
refused order|2000000000 1\n4000\n2 1 2 3 4 n
end inside a matrix|3 1 2 3 4
end at the question|1 1
SCENARIOS
rm -f /tmp/memcheck.$$
echo "memcheck: $((6 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
