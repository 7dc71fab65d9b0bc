#!/usr/bin/env bash
# The tool's main job on Linux: builds tolvane.exe and runs it under Wine with
# the stand-in PnP manager and a PulseAudio null-sink set as audio hardware.
# Arguments go to tolvane.exe unchanged.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$source_dir/build

"$source_dir/scripts/deps.sh"
"$source_dir/scripts/build.sh" "$build_dir" >/dev/null
set +e
"$source_dir/scripts/wine-env.sh" run "$build_dir" \
  wine "$build_dir/bin/tolvane.exe" "$@"
status=$?
set -e
echo "tolvane.exe exited with status $status" >&2
exit "$status"
