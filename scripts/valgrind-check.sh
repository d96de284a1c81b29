#!/usr/bin/env bash
# Runs the txr tool's render, size, draw and preview commands on the bundled fonts under
# valgrind --leak-check=full, for every family, and fails on any memory error or leak.
#
#   scripts/valgrind-check.sh [BUILD_DIR]     (default build-valgrind)
#
# The tool is built there (a new folder is configured as a Debug build; an existing one must be
# without sanitizers: valgrind and AddressSanitizer do not mix). Each
# run's report is kept in BUILD_DIR/valgrind/; the command lines are in `runs` below.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-valgrind}
mkdir -p "$build"
build=$(cd "$build" && pwd)
command -v valgrind >/dev/null || { echo "valgrind is not installed (apt-get install valgrind)" >&2; exit 2; }

if [[ ! -f $build/CMakeCache.txt ]]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DTXR_BUILD_TESTS=OFF >/dev/null
elif grep -q '^TXR_SANITIZE:BOOL=ON' "$build/CMakeCache.txt"; then
  echo "$build is a sanitizer build: valgrind needs one without" >&2
  exit 2
else
  cmake -S "$root" -B "$build" >/dev/null
fi
cmake --build "$build" -j2 --target txr_tool >/dev/null
tool=$build/tools/txr/txr

reports=$build/valgrind
out=$reports/out
rm -rf "$reports"
mkdir -p "$out"
fonts=$root/fonts/

# One run per line: the tool's arguments. Every family, both resolutions where the family has
# them, magnified, turned and in reverse video, a code without a glyph (0x7F) and a byte above
# seven bits; the bundled set built into the tool, and once the same files from fonts/.
runs=(
  "render --family 0 --font 3 -o $out/a.bmp TXR-42"
  "render --family 0 --font 9 --dpi 300 --scale-h 2 --scale-v 3 --rotate 1 --invert -o $out/a300.png --hex 4C6F747FB0"
  "render --fonts $fonts --family 1 --font 4 --charset 12 --rotate 2 -o $out/b.bmp AB[]"
  "render --family 2 --font 8 --rotate 3 -o $out/z.png Proportional"
  "size --family 0 --font 24 --scale-h 4 WIDTH"
  "size --family 1 --font 0 --dpi 300 ABC"
  "size --fonts $fonts --family 2 --font 0 --rotate 1 Zz"
  "draw --family 0 --font 17 -o $out/draw-a.png Draw"
  "draw --family 1 --font 2 --invert -o $out/draw-b.png Draw"
  "draw --family 2 --font 3 --scale-h 2 --rotate 1 -o $out/draw-z.png Draw"
  "preview --family 0 --font 5 -o $out/preview-a.png A"
  "preview --family 1 --font 4 --dpi 300 -o $out/preview-b.png W"
  "preview --family 2 --font 1 -o $out/preview-z.png g"
)

status=0
missing=()
for i in "${!runs[@]}"; do
  read -r -a args <<<"${runs[$i]}"
  command=${args[0]}
  if ! "$tool" "$command" --help >/dev/null 2>&1; then
    missing+=("$command")
    continue
  fi
  report=$reports/run-$i-$command.txt
  if valgrind --quiet --leak-check=full --show-leak-kinds=definite,indirect,possible \
      --errors-for-leak-kinds=definite,indirect,possible --error-exitcode=99 \
      --log-file="$report" "$tool" "${args[@]}" >"$reports/run-$i.stdout" 2>&1; then
    echo "ok    ${runs[$i]}"
  else
    code=$?
    if ((code == 99)) || [[ -s $report ]]; then
      echo "ERROR ${runs[$i]}: see $report"
      status=1
    else
      echo "FAIL  ${runs[$i]}: the tool exited $code, see $reports/run-$i.stdout"
      status=1
    fi
  fi
done
if ((${#missing[@]})); then
  echo "the tool has no command: $(printf '%s\n' "${missing[@]}" | sort -u | tr '\n' ' ')" >&2
  status=1
fi
exit $status
