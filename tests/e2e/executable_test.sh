#!/usr/bin/env bash
# The executable as users get it and as users, scripts and parent processes
# run it under Wine: what it writes, byte for byte, what it asks of the
# stand-in PnP manager and shell, and how it ends.
#   executable_test.sh BUILD_DIR VERSION
set -uo pipefail
build=$(cd "$1" && pwd) version=$2 exe=$build/bin/tolvane.exe
root=$(mktemp -d /tmp/tolvane-e2e.XXXXXX)
trap 'rm -rf "$root"' EXIT
failures=0
fail() { printf 'FAIL %s\n' "$1"; failures=$((failures + 1)); }
check() { [ "$2" = "$3" ] || fail "$1"$'\n'"  expected: ${2@Q}"$'\n'"  actual:   ${3@Q}"; }
holds() { "${@:2}" >/dev/null 2>&1 || fail "$1"; }

# Only KnownDLLs are imported, which Windows loads from the system directory
# whatever lies beside the executable; cfgmgr32.dll is not one of them.
headers=$(x86_64-w64-mingw32-objdump -p "$exe")
for dll in $(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr A-Z a-z); do
  holds "KnownDLL $dll" grep -qw "$dll" <<<"advapi32.dll kernel32.dll msvcrt.dll ole32.dll shell32.dll user32.dll"
done
for flag in HIGH_ENTROPY_VA DYNAMIC_BASE NX_COMPAT; do holds "$flag" grep -qw "$flag" <<<"$headers"; done
holds "stripped" test -z "$(x86_64-w64-mingw32-objdump -h "$exe" | grep '\.debug_')"
holds "at most 1 MiB" test "$(stat -c %s "$exe")" -le 1048576
# The manifest asks for no elevation and names Windows 7 to 11.
for text in '<requestedExecutionLevel level="asInvoker" uiAccess="false"/>' \
  {35138b9a-5d96-4fbd-8e2d-a2440225f93a,4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38,1f676c76-80e1-4239-95bb-83d0f6d0da78,8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}; do
  holds "manifest: $text" grep -qaF "$text" "$exe"
done
for key in FileVersion ProductVersion; do
  check "$key" "$version" "$(x86_64-w64-mingw32-strings -el "$exe" | grep -A1 -x "$key" | tail -1)"
done
# The release zip: the executable as built, the README and the licence; all
# of it the same to the byte when built again later, in another folder, with
# another umask, 5:45 ahead of UTC and in a German Latin-1 locale.
cmake --build "$build" --target release >/dev/null
zip=tolvane-$version-win64.zip
check "package" "tolvane.exe README.md LICENSE" "$(cmake -E tar tf "$build/$zip" | xargs)"
(cd "$root" && cmake -E tar xf "$build/$zip" && cmp -s "$exe" tolvane.exe && cd "$build" &&
  sha256sum -c --status "$zip.sha256") || fail "packaged executable or checksum"
again=$root/again/in/another/folder source=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$again" && cp -r "$source"/{CMakeLists.txt,LICENSE,README.md,cmake,res,scripts,src} "$again" &&
  { [ ! -e "$source/.git" ] || cp -r "$source/.git" "$again"; }  # for the commit's time
mkdir "$root/locale" && localedef -i de_DE -f ISO-8859-1 "$root/locale/de_DE.ISO-8859-1" 2>/dev/null
(umask 077 && export TZ='<+0545>-05:45' LOCPATH="$root/locale" LC_ALL=de_DE.ISO-8859-1 &&
  [ "$(locale charmap) $(date +%z)" = "ISO-8859-1 +0545" ] && cmake -S "$again" -B "$again/b" \
  -DCMAKE_TOOLCHAIN_FILE="$again/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release -DTOLVANE_TESTS=OFF &&
  cmake --build "$again/b" -j "$(nproc)" --target release) >/dev/null || fail "build in another time zone and locale"
for file in bin/tolvane.exe "$zip" "$zip.sha256"; do holds "rebuilt $file" cmp "$build/$file" "$again/b/$file"; done

windows() { printf 'Z:%s' "$1" | tr / '\\'; }
export STANDIN_LOG=$(windows "$root/log")
# Every row runs with a relaunch marker left in the user's environment,
# which names no process of theirs and so must change nothing.
export TOLVANE_RELAUNCHED_BY=1:1
gate=$build/gate/tolvane-gate.exe  # the copy whose shell launch is a stand-in
# Each program starts with the token meant for it, whatever Wine's default,
# from the gate's folder: started there by its bare name, the gate must
# still launch the file that runs, by its full path.
as() { (cd "$build/gate" && timeout 20 wine "$build/bin/with_token.exe" "$@"); }
run() { as full tolvane-gate.exe "$*"; }
# In a terminal, streams redirected: redirected text is in the console's code page.
terminal() { script -qec "${*@Q} >&3 2>&4" /dev/null 3>&1 4>&2 </dev/null >/dev/null; }
# row STATUS OUT ERR LOG COMMAND: COMMAND may carry settings for the
# stand-ins and redirections; the streams' line ends are written as \n.
row() {
  : >"$root/log"
  eval "{ $5; } >'$root/out' 2>'$root/err'"
  check "$5: status" "$1" $?
  check "$5: out" "${2//$'\n'/$'\r\n'}." "$(cat "$root/out"; echo .)"
  check "$5: err" "${3//$'\n'/$'\r\n'}." "$(cat "$root/err"; echo .)"
  check "$5: log" "${4%$'\n'}" "$(cat "$root/log")"
}
# The launch record for PARAMETERS [EXECUTABLE].
launch() { echo "ShellExecuteExW cbSize=112 fMask=64 hwnd=null verb=runas file=${2:-$(windows "$gate")} parameters=$1 directory=(null) nShow=1 others=zero"; }
usage='Usage: tolvane [--rescan] [--rescan-only] [--wait-ms N] [--render-only] [--capture-only]

Default behavior: rescan PnP, wait briefly, then list render devices only.

Examples:
  tolvane
  tolvane --rescan
  tolvane --rescan --wait-ms 3000
  tolvane --capture-only
'
rescanned=$'Requesting root PnP re-enumeration...\nPnP rescan requested.\n'
calls=$'CM_Locate_DevNodeW devinst=0 id=null flags=0\nCM_Reenumerate_DevNode devinst=24301 flags=1\n'

# Help and command-line errors, answered before the gate and any work.
row 0 "$usage" '' '' 'as limited tolvane-gate.exe "-h --nope"'
row 2 "$usage" $'Unknown argument: --HELP\n' '' 'run --HELP'
row 2 "$usage" $'Unknown argument: --rescan-\n' '' 'run --rescan-'
row 2 "$usage" $'Unknown argument: --h\x82lp???\n' '' 'terminal timeout 20 wine "$build/bin/with_token.exe" full "$(windows "$gate")" --hélp®🎧'
row 2 '' $'--wait-ms requires a value\n' '' 'run --capture-only --wait-ms'
# Unelevated, the run is handed to an elevated copy with the arguments as
# the C runtime split them, quoted back, and with none as none.
quoted='--wait-ms "C:\Program Files\\" --wait-ms C:\dir\ --wait-ms "" --wait-ms "a \\b\\\\" --wait-ms "a\\\"b" --wait-ms "say \"hi\"" --wait-ms a'$'\n''b'$'\v''c\\d --wait-ms "a'$'\t''b" --capture-only --wait-ms "耳 🎧"'
row 0 '' '' "$(launch "$quoted")" 'as limited tolvane-gate.exe "$quoted"'
row 1 '' $'Elevation was canceled.\n' "$(launch --rescan-only)" 'STANDIN_SHELL_ERROR=1223 as limited tolvane-gate.exe --rescan-only'
row 1 '' $'Failed to relaunch elevated. Win32 error: 4294967295\n' "$(launch '(null)')" 'STANDIN_SHELL_ERROR=4294967295 as limited tolvane-gate.exe ""'
# A copy that the relaunch started and that is still not elevated stops
# there; an elevated one does the work. Wine 8's own "runas" does not
# elevate, and its one copy stops so; Wine 10's does, as Windows', and its
# one copy rescans.
row 1 '' $'The relaunched copy is not elevated either (User Account Control may be off): run tolvane from an elevated prompt.\n' '' 'as limited copy tolvane-gate.exe --rescan-only'
row 0 "$rescanned" '' "$calls" 'as full copy tolvane-gate.exe --rescan-only'
[[ $(wine --version) == wine-8.* ]] && copy=(limited 1 '') pulse=PulseAudio ||
  copy=(elevated 0 "$calls") pulse="PulseAudio Output"
row 0 '' "${copy[0]} copy ended with status ${copy[1]}"$'\n' "${copy[2]}" 'as limited "$(windows "$exe")" --rescan-only'
# Handed over from a console window of its own, it has shown nothing there
# and closes at once, without asking for a key.
row 0 '' '' "$(launch --rescan-only)" 'as limited console tolvane-gate.exe --rescan-only'
# Standard output that takes nothing fails the run, and says why: here a
# pipe whose reader has gone, as when a script's reader quits early.
mkfifo "$root/pipe" && exec 3<>"$root/pipe" 4>"$root/pipe" 3<&-
row 1 '' $'Failed to write standard output: Pipe not connected.\n' "$calls" 'run --rescan-only >&4'

# The real endpoints of the one data flow asked for last: PulseAudio's
# sinks, by their exact names, and the one that Wine adds. The ids, and with
# them the order of the blocks, differ from one prefix to the next.
row 0 '#: HDMI Output|      state: active|      id: {0.0.0.00000000}
#: '"$pulse"'|      state: active|      default: console, multimedia, communications|      id: {0.0.0.00000000}
#: Réaltek® Speakers|      state: active|      id: {0.0.0.00000000}
#: 耳机 🎧 Headset|      state: active|      id: {0.0.0.00000000}
Requesting root PnP re-enumeration...|PnP rescan requested.|[render] 4 device(s)
' '' "$calls" 'run --capture-only --render-only --wait-ms 0 | sed -E "s/^  #[0-9]+: /#: /; s/[.]\{[-0-9A-F]{36}\}\r$/\r/" |
  tr -d "\r" | paste -sd"|" | sed "s/|#: /\n#: /g" | sort | sed "s/\$/\r/"'

# No DLL beside the executable is loaded, whatever its name: a planted
# cfgmgr32.dll or audio driver would end the process with 99. (Wine takes
# its own driver over one found there unless told to, as Windows never does.)
row 0 "$rescanned[render] 4 device(s)"$'\n' '' "$calls" 'WINEDLLOVERRIDES=winepulse.drv=n,b as full "$(windows "$build/planted/tolvane.exe")" "--wait-ms 0" | grep -v "^ "'

# The relaunch takes an executable path of up to 259 characters. Windows
# starts no program from a longer one, so the probe stands in for the tool
# there: it runs the relaunch whatever its token, which Wine gives it.
probe() {  # the probe at a path of $1 characters: Z:, folders, \gate_probe.exe
  local dir=$root/p fill=$(($1 - ${#root} - 20))
  while [ "$fill" -gt 100 ]; do dir=$dir/$(printf '%099d' 0) fill=$((fill - 100)); done
  dir=$dir/$(printf "%0${fill}d" 0)
  mkdir -p "$dir" && cp "$build/bin/gate_probe.exe" "$build/standins/shell32.dll" "$dir"
  windows "$dir/gate_probe.exe"
}
long=$(probe 259) && check "259 characters" 259 ${#long}
row 11 '' '' "$(launch '--wait-ms 5' "$long")" 'timeout 20 wine "$long" --wait-ms 5'
long=$(probe 260) && check "260 characters" 260 ${#long}
row 12 '' $'Failed to resolve executable path.\n' '' 'timeout 20 wine "$long" --wait-ms 5'
[ "$failures" -eq 0 ] && echo "all rows as expected"
