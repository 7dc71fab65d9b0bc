#!/usr/bin/env bash
# Builds and runs the report benchmark under Wine: microseconds and calls on
# the fake interfaces per endpoint at 10, 1,000 and 100,000 endpoints, every
# reference and text given back.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$source_dir/build

"$source_dir/scripts/deps.sh"
"$source_dir/scripts/build.sh" "$build_dir" >/dev/null
"$source_dir/scripts/wine-env.sh" run "$build_dir" \
  wine "$build_dir/bin/report_benchmark.exe"
