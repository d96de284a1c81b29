#!/usr/bin/env bash
# Cross-builds txr.dll, the tests and the txr tool for 64-bit Windows, runs the tests under Wine
# without a display, and compares the drawings the Windows txr.exe makes on the real drawing
# calls with those of the Linux txr, both running the same txr batch (scripts/compare_renders.py).
# Where Wine is missing or cannot run here, it cross-builds only, says so, and exits 0.
# Environment: TXR_WIN_BUILD (default build-windows), TXR_LINUX_BUILD (default build), JOBS,
# TXR_WINE (the Wine loader; found on the PATH or in /usr/lib/wine when not given).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
win_build=$(realpath -m "${TXR_WIN_BUILD:-$root/build-windows}")
linux_build=$(realpath -m "${TXR_LINUX_BUILD:-$root/build}")  # absolute: the runs below change folder
jobs=${JOBS:-$(nproc)}
stage() { echo "== Windows: $1 (${SECONDS}s in) =="; }

# The drawings both builds make, one txr command a line: every font of the bundled set (built
# into the tool) in every orientation and video sense and two magnifications, each with its
# measure; family 1 in every character set; FontOut onto a grey canvas for the first font of
# each family and resolution; the dot preview of g for every font and of A for the first.
render_jobs() {
  local text set family dpi last font name select turn invert video charset
  text=$(printf '%02X' $(seq 32 126) $(seq 128 255))  # every byte from the space up, but DEL
  for set in "0 203 24" "0 300 15" "1 203 4" "1 300 4" "2 203 8" "2 300 8"; do
    read -r family dpi last <<<"$set"
    for ((font = 0; font <= last; font++)); do
      ((family == 0 && dpi == 203 && font == 16)) && continue  # not a font at 203 dpi
      name=$(printf 'f%d_%d_font%02d' "$family" "$dpi" "$font")
      select="--family $family --dpi $dpi --font $font"
      for turn in 0 1 2 3; do
        for invert in 0 1; do
          video=$( ((invert)) && echo " --invert" || true)
          echo "render $select --rotate $turn$video -o ${name}_r${turn}_i$invert.bmp --hex $text"
          echo "size $select --rotate $turn$video --hex $text"
          if ((font == 0)); then
            echo "draw $select --rotate $turn$video --paper #A0A0A0 --at 3,2" \
              "-o ${name}_draw_r${turn}_i$invert.bmp --hex $text"
          fi
        done
      done
      echo "render --fonts \"$root/fonts\" $select --scale-h 2 --scale-v 3 -o ${name}_s2x3.bmp" \
        "--hex $text"
      echo "render $select --scale-h 3 --rotate 1 --invert -o ${name}_s3x1_r1_i1.bmp --hex $text"
      video=$( ((font % 2)) && echo " --invert" || true)
      echo "preview $select$video -o ${name}_preview_g.bmp g"
      if ((font == 0)); then
        echo "draw $select --scale-h 2 --scale-v 3 --paper #A0A0A0 --at 3,2" \
          "-o ${name}_draw_s2x3.bmp --hex $text"
        echo "preview $select -o ${name}_preview_A_i0.bmp A"
        echo "preview $select --invert -o ${name}_preview_A_i1.bmp A"
      fi
    done
  done
  for set in "203 0" "300 2"; do
    read -r dpi font <<<"$set"
    for charset in $(seq 1 14); do
      echo "render --family 1 --dpi $dpi --font $font --charset $charset" \
        "-o $(printf 'f1_%d_font%02d_charset%02d' "$dpi" "$font" "$charset").bmp --hex $text"
    done
  done
}

stage "cross-build"
cmake -S "$root" -B "$win_build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DTXR_WERROR=ON
cmake --build "$win_build" -j"$jobs"

skip() {
  echo "windows-check: $1: SKIPPED the Wine runs (tests and drawing comparison); cross build OK"
  exit 0
}
wine=${TXR_WINE:-$(command -v wine64 || command -v wine || true)}
[[ -z $wine && -x /usr/lib/wine/wine64 ]] && wine=/usr/lib/wine/wine64
[[ -n $wine ]] || skip "no Wine installed"
wineserver=$(command -v wineserver || true)
[[ -x $(dirname "$wine")/wineserver ]] && wineserver=$(dirname "$wine")/wineserver

stage "Wine prefix"
# A private prefix, no display, no prompts for the .NET and HTML runtimes nobody needs here.
export WINEPREFIX=$win_build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
# One server for every Wine program below, so that each starts quickly; it ends by itself a
# minute after the last. Started before wineboot, the services wineboot starts write to its log
# rather than holding a test's output open.
mkdir -p "$WINEPREFIX"
[[ -n $wineserver ]] && "$wineserver" -p60 </dev/null >/dev/null 2>&1
timeout 300 "$wine" wineboot --init >"$win_build/wineboot.log" 2>&1 ||
  skip "wineboot failed (see $win_build/wineboot.log)"
timeout 120 "$wine" "$win_build/bin/common_test.exe" --gtest_list_tests >/dev/null 2>&1 ||
  skip "Wine cannot run a Windows program headless here"

stage "tests under Wine"
ctest --test-dir "$win_build" --output-on-failure -j"$jobs"

stage "drawings against the Linux build"
if [[ ! -f $linux_build/CMakeCache.txt ]]; then
  cmake -S "$root" -B "$linux_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTXR_WERROR=ON
fi
cmake --build "$linux_build" -j"$jobs" --target txr_tool
renders=$win_build/renders
rm -rf "$renders"
mkdir -p "$renders/linux" "$renders/windows"
render_jobs >"$renders/jobs.txt"
echo "$(wc -l <"$renders/jobs.txt") commands for each build"
# The two batches side by side, each in its own folder.
(cd "$renders/linux" && "$linux_build/tools/txr/txr" batch ../jobs.txt >sizes.txt) &
linux_batch=$!
(cd "$renders/windows" && "$wine" "$win_build/bin/txr.exe" batch ../jobs.txt >sizes.txt)
wait "$linux_batch"
python3 "$root/scripts/compare_renders.py" "$renders/linux" "$renders/windows"
stage "done"
