#!/usr/bin/env bash
# Runs one fuzz target (or all of them, one after another) for SECONDS seconds each.
#
#   fuzz/run.sh TARGET|all SECONDS
#
# Targets: font_file_a font_file_b font_file_z dib_image bdf manifest font_kit tool_bmp_reader label_json.
# Builds the targets with clang in $TXR_FUZZ_BUILD (default build-fuzz) when needed. Each target
# runs in a private working directory (FontOut writes ../string.bmp relative to it) on a working
# corpus in $TXR_FUZZ_WORK/<target>/corpus (default $TXR_FUZZ_BUILD/work), seeded from
# fuzz/corpus/<target>/ and kept between runs; inputs that crash, leak, hang or trip a sanitizer
# are saved in $TXR_FUZZ_WORK/<target>/findings/. Exits non-zero on any finding.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
targets=(font_file_a font_file_b font_file_z dib_image bdf manifest font_kit tool_bmp_reader label_json)

if (($# != 2)); then
  echo "usage: $0 TARGET|all SECONDS   (targets: ${targets[*]})" >&2
  exit 2
fi
which=$1
seconds=$2
build=${TXR_FUZZ_BUILD:-$root/build-fuzz}
mkdir -p "$build"
build=$(cd "$build" && pwd)
work=${TXR_FUZZ_WORK:-$build/work}
mkdir -p "$work"
work=$(cd "$work" && pwd)

if [[ $which == all ]]; then
  selected=("${targets[@]}")
else
  selected=("$which")
fi
for target in "${selected[@]}"; do
  if [[ ! -d $root/fuzz/corpus/$target ]]; then
    echo "unknown target: $target (targets: ${targets[*]})" >&2
    exit 2
  fi
done

if [[ ! -f $build/CMakeCache.txt ]]; then
  CC=${CC:-clang} CXX=${CXX:-clang++} cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTXR_BUILD_FUZZ=ON -DTXR_BUILD_TESTS=OFF -DTXR_BUILD_TOOLS=OFF >/dev/null
fi
cmake --build "$build" -j"${TXR_FUZZ_BUILD_JOBS:-2}" --target "${selected[@]/#/fuzz_}" >/dev/null

status=0
for target in "${selected[@]}"; do
  dir=$work/$target
  mkdir -p "$dir/corpus" "$dir/findings" "$dir/run"
  cp -n "$root/fuzz/corpus/$target/"* "$dir/corpus/"
  log=$dir/last-run.log
  echo "== $target: $seconds s"
  # The sanitizers' own reports end the run; leaks are looked for after every input.
  set +e
  (cd "$dir/run" &&
    TMPDIR=$dir/run ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
      UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$dir/findings/" "$dir/corpus" >"$log" 2>&1)
  code=$?
  set -e
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  files=$(find "$dir/corpus" -type f | wc -l)
  if ((code != 0)) || grep -q -e 'ERROR: AddressSanitizer' -e 'ERROR: LeakSanitizer' \
      -e 'runtime error:' -e 'ERROR: libFuzzer' "$log"; then
    echo "FAILED $target (exit $code): see $log and $dir/findings/"
    tail -n 40 "$log"
    status=1
  else
    echo "ok $target: ${execs:-?} executions, corpus $files files"
  fi
  echo "$(date -u +%FT%TZ) $target ${seconds}s exit=$code execs=${execs:-?} corpus=$files" \
    >>"$work/history.log"
done
exit $status
