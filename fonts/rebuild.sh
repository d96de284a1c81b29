#!/usr/bin/env bash
# Rebuilds the bundled font set (A.bin, A300.bin, B.bin, B300.bin, Z.bin) from fonts/manifest.txt.
# Needs the Debian packages fonts-dejavu-core and xfonts-terminus; builds fontkit_build first.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
build="${TXR_BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" --target fontkit_build -j"$(nproc)"
"$build/tools/fontkit_build" "$here/manifest.txt" "$here"
