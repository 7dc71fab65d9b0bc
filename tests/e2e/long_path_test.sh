#!/usr/bin/env bash
# The executable-path rule of the relaunch: a path of 259 characters is
# launched, one of 260 is refused without a launch. Windows will not start
# a process from such a path, but wine started from Linux will, so the probe
# (which runs the relaunch directly) is started that way here.
#   long_path_test.sh GATE_PROBE_EXE SHELL32_STANDIN_DLL
set -euo pipefail
probe=$1
shell32=$2
root=$(mktemp -d /tmp/tolvane-longpath.XXXXXX)
trap 'rm -rf "$root"' EXIT
failures=0

# A folder whose Windows form (Z: plus the Unix path) makes the probe's
# full path exactly $1 characters long.
folder_for_length() {
  local want=$1 name=gate_probe.exe dir=$root/p
  local fill=$((want - 2 - ${#dir} - 1 - ${#name} - 1))
  while [ "$fill" -gt 100 ]; do
    dir=$dir/$(printf 'a%.0s' $(seq 99))
    fill=$((fill - 100))
  done
  dir=$dir/$(printf 'b%.0s' $(seq "$fill"))
  mkdir -p "$dir"
  printf '%s' "$dir"
}

check() {
  local what=$1 expected=$2 actual=$3
  if [ "$expected" != "$actual" ]; then
    printf 'FAIL %s\n  expected: %q\n  actual:   %q\n' "$what" "$expected" "$actual"
    failures=$((failures + 1))
  else
    printf 'ok   %s\n' "$what"
  fi
}

for length in 259 260; do
  dir=$(folder_for_length "$length")
  cp "$probe" "$dir/gate_probe.exe"
  cp "$shell32" "$dir/shell32.dll"
  windows_path="Z:$(printf '%s' "$dir/gate_probe.exe" | tr / '\\')"
  check "$length: the path is $length characters" "$length" "${#windows_path}"
  log=$root/launch-$length.log
  set +e
  STANDIN_SHELL_LOG=$(printf 'Z:%s' "$log" | tr / '\\') \
    wine "$dir/gate_probe.exe" --wait-ms 5 >"$root/out" 2>"$root/err"
  status=$?
  set -e
  if [ "$length" = 259 ]; then
    check "259: handed over" 11 "$status"
    check "259: nothing on stderr" "" "$(cat "$root/err")"
    check "259: launched from its full path" "file=$windows_path" \
      "$(grep '^file=' "$log" 2>/dev/null)"
    check "259: with its arguments" "parameters=--wait-ms 5" \
      "$(grep '^parameters=' "$log" 2>/dev/null)"
  else
    check "260: failed" 12 "$status"
    check "260: says why" "Failed to resolve executable path."$'\r' "$(cat "$root/err")"
    check "260: launched nothing" "no" "$([ -e "$log" ] && echo yes || echo no)"
  fi
done

[ "$failures" -eq 0 ] && echo "long path: 9 passed, 0 failed" || {
  echo "long path: $failures failed"
  exit 1
}
