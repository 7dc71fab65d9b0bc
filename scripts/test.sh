#!/usr/bin/env bash
# Every test: installs what is missing, checks the formatting, builds, and
# runs the whole suite under Wine through CTest (which starts and stops the
# wineserver and PulseAudio it needs). Nothing in it asks a question: its
# input is empty, wherever it is started from.
set -euo pipefail
exec </dev/null
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$source_dir/build

"$source_dir/scripts/deps.sh"

# The sources to check are the ones git knows; without a clone that git will
# read there is no list, and no check.
cd "$source_dir"
if ! listed=$(git ls-files -- '*.cpp' '*.h' 2>&1) || [ -z "$listed" ]; then
  echo "test.sh: git cannot list the sources in $source_dir; run the tests" \
    "from a clone of the repository that git reads${listed:+ ($listed)}" >&2
  exit 1
fi
mapfile -t sources <<<"$listed"
clang-format --dry-run --Werror "${sources[@]}"

"$source_dir/scripts/build.sh" "$build_dir"

trap '"$source_dir/scripts/wine-env.sh" stop "$build_dir" >/dev/null 2>&1 || true' EXIT
cd "$build_dir"
ctest --output-on-failure --timeout 600 --no-tests=error
