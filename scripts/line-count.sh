#!/usr/bin/env bash
# The house count of lines: non-blank lines of the tests (sources, support, CMake; test data left
# out) against non-blank lines of the code (src, include, tools), and the ratio. The owner's rule
# is tests at a quarter to a third of the code.
# Usage: scripts/line-count.sh [-v]   (-v also lists every counted file)
set -euo pipefail
cd "$(dirname "$0")/.."

count() {
  find "$@" -type f \( -name '*.c' -o -name '*.cpp' -o -name '*.h' -o -name '*.hpp' \
    -o -name '*.cmake' -o -name 'CMakeLists.txt' -o -name '*.py' -o -name '*.sh' \) \
    -not -path 'tests/data/*' -print0 | sort -z | xargs -0 grep -c -v '^[[:space:]]*$' /dev/null |
    grep -v '^/dev/null:'
}
sum() { awk -F: '{ n += $NF } END { print n + 0 }'; }

code_files=$(count src include tools)
test_files=$(count tests)
if [[ ${1:-} == -v ]]; then
  printf '%s\n' "$code_files" "$test_files" | awk -F: '{ printf "%6d %s\n", $NF, $1 }'
fi
code=$(sum <<<"$code_files")
tests=$(sum <<<"$test_files")
echo "code  $code non-blank lines (src, include, tools)"
echo "tests $tests non-blank lines (tests, data excluded)"
awk -v t="$tests" -v c="$code" 'BEGIN { printf "ratio %.1f%% (tests / code)\n", 100 * t / c }'
