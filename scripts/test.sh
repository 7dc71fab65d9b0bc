#!/usr/bin/env bash
# Every test: installs what is missing, checks the formatting, builds, and
# runs the whole suite under Wine through CTest (which starts and stops the
# wineserver and PulseAudio it needs).
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$source_dir/build

"$source_dir/scripts/deps.sh"

cd "$source_dir"
mapfile -t sources < <(git ls-files -- '*.cpp' '*.h')
clang-format --dry-run --Werror "${sources[@]}"

"$source_dir/scripts/build.sh" "$build_dir"

trap '"$source_dir/scripts/wine-env.sh" stop "$build_dir" >/dev/null 2>&1 || true' EXIT
cd "$build_dir"
ctest --output-on-failure --timeout 600
