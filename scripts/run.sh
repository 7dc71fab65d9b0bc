#!/usr/bin/env bash
# The tool's main job on Linux: builds tolvane.exe and runs it under Wine with
# the stand-in PnP manager and a PulseAudio null-sink set as audio hardware.
# Its arguments are tolvane's command line, as typed at a Windows prompt.
#
# It runs tolvane as an elevated prompt does ("run it from an elevated
# prompt"): started with this user's full token, in this terminal, so the
# report shows here and the status is the run's own. Started with a
# standard user's token, as Wine 10 starts every process, tolvane would
# hand the run to an elevated copy in a console window of its own. It builds
# into build/ in the source tree, or into TOLVANE_BUILD_DIR when that is set.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${TOLVANE_BUILD_DIR:-$source_dir/build}

"$source_dir/scripts/deps.sh"
"$source_dir/scripts/build.sh" "$build_dir" >/dev/null
exe=Z:$(printf %s "$build_dir/bin/tolvane.exe" | tr / '\\')
set +e
"$source_dir/scripts/wine-env.sh" run "$build_dir" \
  wine "$build_dir/bin/with_token.exe" full "$exe" "$*"
status=$?
set -e
echo "tolvane.exe exited with status $status" >&2
exit "$status"
