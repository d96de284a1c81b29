#!/usr/bin/env bash
# Cross-builds txr.dll, the tests and the render set for 64-bit Windows, runs the tests under
# Wine without a display, and compares the drawings the Windows build makes on the real drawing
# calls with those of the Linux build (scripts/compare_renders.py). Where Wine is missing or
# cannot run here, it cross-builds only, says so, and exits 0.
# Environment: TXR_WIN_BUILD (default build-windows), TXR_LINUX_BUILD (default build), JOBS,
# TXR_WINE (the Wine loader; found on the PATH or in /usr/lib/wine when not given).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
win_build=${TXR_WIN_BUILD:-$root/build-windows}
linux_build=${TXR_LINUX_BUILD:-$root/build}
jobs=${JOBS:-$(nproc)}
stage() { echo "== Windows: $1 (${SECONDS}s in) =="; }

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

# A private prefix, no display, no prompts for the .NET and HTML runtimes nobody needs here.
export WINEPREFIX=$win_build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
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
cmake --build "$linux_build" -j"$jobs" --target txr_render_set
renders=$win_build/renders
rm -rf "$renders"
mkdir -p "$renders/linux/run" "$renders/windows/run"
# Each run in a directory of its own: FontOut stages its drawing in ../string.bmp.
(cd "$renders/linux/run" && "$linux_build/tools/txr_render_set" "$root/fonts/" "$renders/linux/")
(cd "$renders/windows/run" &&
  "$wine" "$win_build/bin/txr_render_set.exe" "$root/fonts/" "$renders/windows/")
python3 "$root/scripts/compare_renders.py" "$renders/linux" "$renders/windows"
stage "done"
