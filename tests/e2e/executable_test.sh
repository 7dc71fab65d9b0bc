#!/usr/bin/env bash
# executable_test.sh BUILD_DIR VERSION: the executable as users get and run it, what it writes, asks of the stand-ins, ends with.
set -uo pipefail
exec </dev/null  # a terminal's input would give each program a console
build=$(cd "$1" && pwd) version=$2 exe=$build/bin/tolvane.exe
root=$(mktemp -d /tmp/tolvane-e2e.XXXXXX) && trap 'rm -rf "$root"' EXIT && failures=0
fail() { printf 'FAIL %s\n' "$1"; failures=$((failures + 1)); }
check() { [ "$2" = "$3" ] || fail "$1"$'\n'"  expected: ${2@Q}"$'\n'"  actual:   ${3@Q}"; }
holds() { "${@:2}" >/dev/null 2>&1 || fail "$1"; }

# Only KnownDLLs are imported, which Windows takes from the system directory, and SetDefaultDllDirectories; a console program Windows 7 starts, ASLR and DEP.
headers=$(x86_64-w64-mingw32-objdump -p "$exe")
for dll in $(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr A-Z a-z); do holds "KnownDLL $dll" grep -qw "$dll" <<<"advapi32.dll kernel32.dll msvcrt.dll ole32.dll shell32.dll user32.dll"; done
for word in SetDefaultDllDirectories HIGH_ENTROPY_VA DYNAMIC_BASE NX_COMPAT 'Windows CUI'; do holds "$word" grep -qw "$word" <<<"$headers"; done; v=$(sed -n 's/^M[a-z]*SubsystemVersion\s*//p' <<<"$headers" | paste -sd.) && holds "Windows 7 starts it (subsystem $v)" test "$(printf '6.1\n%s\n' "$v" | sort -V | tail -1)" = 6.1
holds "stripped, at most 1 MiB" test -z "$(x86_64-w64-mingw32-objdump -h "$exe" | grep '\.debug_')" -a "$(stat -c %s "$exe")" -le 1048576
# The manifest names the x64 program, asks for no elevation, names Windows 7 to 11 (Windows reads it as resource 1, below).
for text in '<requestedExecutionLevel level="asInvoker" uiAccess="false"/>' "version=\"$version.0\" processorArchitecture=\"amd64\"" \
  {35138b9a-5d96-4fbd-8e2d-a2440225f93a,4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38,1f676c76-80e1-4239-95bb-83d0f6d0da78,8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}; do holds "manifest: $text" grep -qaF "$text" "$exe"; done
IFS=. read -r major minor patch <<<"$version" && resources=$(x86_64-w64-mingw32-windres -J coff -O rc -i "$exe")  # what Details shows
check "version, manifest" "FILEVERSION $major, $minor, $patch, 0|PRODUCTVERSION $major, $minor, $patch, 0|FILEOS 0x40004|FILETYPE 0x1|\"040904B0\"|\"CompanyName\", \"The tolvane developers\"|\"FileDescription\", \"Rescans the device tree and lists audio endpoints\"|\"FileVersion\", \"$version\"|\"InternalName\", \"tolvane\"|\"LegalCopyright\", \"Copyright (c) 2026 The tolvane developers. MIT License.\"|\"OriginalFilename\", \"${exe##*/}\"|\"ProductName\", \"tolvane\"|\"ProductVersion\", \"$version\"|\"Translation\", 0x409, 1200|1 24 /* RT_MANIFEST */" "$(grep -oE '(FILE|PRODUCT)VERSION .*|FILE(OS|TYPE) .*|"040904B0"|"[A-Za-z]+", ".*|"Translation", .*|^[0-9]+ 24 .*|FILEFLAGS .*' <<<"$resources" | paste -sd'|')"
# The zip: the executable, README, LICENSE, in order, fixed modes, no owner or extra field, the commit's time (zip keeps even seconds, rounding up), the same packed into and through folders with spaces; a .sha256
# naming it bare. The same bytes from SOURCE_DATE_EPOCH elsewhere (folder, umask, zone, locale, host, user, a commit of another time, no build type named, a plain build packing nothing); without it, that commit's time; a manifest edited since goes in.
cmake --build "$build" --target release >/dev/null
zip=tolvane-$version-win64.zip source=$(cd "$(dirname "$0")/../.." && pwd)
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$source" log -1 --format=%ct 2>/dev/null || echo 315532800)}
at=$(TZ=UTC date -d "@$(((epoch + 1) / 2 * 2))" '+%y-%b-%d %H:%M'); check "the executable's time stamp" "$(TZ=UTC date -d "@$epoch" '+%a %b %e %T %Y')" "$(TZ=UTC x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^Time\/Date\s*//p')"
check "package" "-rwxr-xr-x b- defX $at tolvane.exe|-rw-r--r-- t- defX $at README.md|-rw-r--r-- t- defX $at LICENSE" "$(zipinfo "$build/$zip" | awk '/^-/ {print $1, $5, $6, $7, $8, $9}' | paste -sd'|')"
check "checksum" "$(sha256sum <"$build/$zip" | cut -c1-64)  $zip" "$(cat "$build/$zip.sha256")"
for file in tolvane.exe:$exe README.md:$source/README.md LICENSE:$source/LICENSE; do holds "zip: ${file%%:*}" cmp <(unzip -p "$build/$zip" "${file%%:*}") "${file#*:}"; done; mkdir "$root/a b" "$root/t m p" && holds "package.sh: into a folder with spaces, TMPDIR too" env TMPDIR="$root/t m p" bash "$source/scripts/package.sh" "$root/a b" "$version" "$epoch" "$exe" "$source/README.md" "$source/LICENSE"; holds "package.sh: the same zip there" cmp "$build/$zip" "$root/a b/$zip"; holds "package.sh: leaves no folder in that TMPDIR" rmdir "$root/t m p"
again=$root/again/in/another/folder && mkdir -p "$again" && cp -r "$source"/{CMakeLists.txt,LICENSE,README.md,cmake,res,scripts,src} "$again" && (cd "$again" && git init -q && git add -A && GIT_AUTHOR_DATE=@1000000000 GIT_COMMITTER_DATE=@1234567890 git -c user.name=t -c user.email=t@t commit -qm t) && mkdir "$root/locale" "$root/tmp" && localedef -i de_DE -f ISO-8859-1 "$root/locale/de_DE.ISO-8859-1" 2>/dev/null
(umask 077 && export TMPDIR="$root/tmp" SOURCE_DATE_EPOCH=$epoch TZ='<+0545>-05:45' LOCPATH="$root/locale" LC_ALL=de_DE.ISO-8859-1 USER=nobody LOGNAME=nobody &&
  [ "$(locale charmap) $(date +%z)" = "ISO-8859-1 +0545" ] && unshare -u sh -c 'hostname elsewhere && cmake -S "$1" -B "$1/b" \
  -DCMAKE_TOOLCHAIN_FILE="$1/cmake/mingw-w64-x86_64.cmake" -DTOLVANE_TESTS=OFF &&
  cmake --build "$1/b" -j "$(nproc)" && [ -z "$(find "$1/b" -maxdepth 1 -name "*.zip")" ] && cmake --build "$1/b" --target release' sh "$again") >/dev/null || fail "build elsewhere (a plain build packs nothing)"
for file in bin/tolvane.exe "$zip" "$zip.sha256"; do holds "rebuilt $file" cmp "$build/$file" "$again/b/$file"; done; holds "packing leaves no folder" rmdir "$root/tmp"
(unset SOURCE_DATE_EPOCH && cd / && echo '<!-- again -->' >>"$again/res/tolvane.manifest" && cmake -S "$again" -B "$again/b" && GIT_COMMITTER_DATE=@1300000000 git -C "$again" -c user.name=t -c user.email=t@t commit -q --allow-empty -m u && cmake --build "$again/b" --target release) >/dev/null && check "the newest commit's time" "11-Mar-13 07:06" "$(zipinfo "$again/b/$zip" | awk '/^-/ {print $7, $8}' | sort -u)"; holds "an edited manifest is built in" grep -qaF '<!-- again -->' "$again/b/bin/tolvane.exe"

windows() { printf 'Z:%s' "$1" | tr / '\\'; }
export STANDIN_LOG=$(windows "$root/log") TOLVANE_RELAUNCHED_BY=1:1  # a user's stray marker changes nothing
gate=$build/gate/tolvane-gate.exe  # the copy whose shell launch is a stand-in
# Each program starts with the token meant for it, from the gate's folder (the gate still launches its full path).
as() { (cd "$build/gate" && timeout 20 wine "$build/bin/with_token.exe" "$@"); }
run() { as full tolvane-gate.exe "$*"; }
row() {  # STATUS OUT ERR LOG COMMAND, with the streams' line ends written as \n
  : >"$root/log" && eval "{ $5; } >'$root/out' 2>'$root/err'"
  check "$5: status|out|err|log" "$1|${2//$'\n'/$'\r\n'}.|${3//$'\n'/$'\r\n'}.|${4%$'\n'}" "$?|$(cat "$root/out"; echo .)|$(cat "$root/err"; echo .)|$(iconv -f UTF-16LE -t UTF-8 "$root/log")"
}
launch() { echo "ShellExecuteExW cbSize=112 fMask=64 hwnd=null verb=runas file=$(windows "$gate") parameters=$1 directory=(null) nShow=1 others=zero marker=own"; }  # for PARAMETERS
usage=$(printf '%s\n' "Usage: $(grep -m1 '^tolvane \[' "$source/README.md")" '' \
  'Default behavior: rescan PnP, wait briefly, then list render devices only.' '' Examples: '  tolvane' '  tolvane --rescan' '  tolvane --rescan --wait-ms 3000' '  tolvane --capture-only')$'\n'
asked=$'Requesting root PnP re-enumeration...\n' rescanned=$asked$'PnP rescan requested.\n' located='CM_Locate_DevNodeW devinst=0 id=null flags=0' calls=$located$'\nCM_Reenumerate_DevNode devinst=24301 flags=1\n'

# Help and errors come before the gate and any work, the first ending the reading; options match whole, by case; the usage opens with the README's synopsis.
row 2 $'Unknown argument: --nope\n'"$usage" '' '' 'as limited tolvane-gate.exe "--nope --help" 2>&1'
for arg in '-h --nope' --help /?; do row 0 "$usage" '' '' "as limited tolvane-gate.exe '$arg'"; done
for arg in --HELP --rescan- --wait-ms=5 '""'; do row 2 "$usage" "Unknown argument: ${arg//\"/}"$'\n' '' "run '$arg'"; done
row 2 "$usage" $'Unknown argument: --h\x82lp???\n' '' 'script -qec "timeout 20 wine ${build@Q}/bin/with_token.exe full ${gate@Q} --hélp®🎧 >&3 2>&4" /dev/null 3>&1 4>&2 >/dev/null'  # streams redirected in a terminal get the console's code page
row 2 '' $'--wait-ms requires a value\n' '' 'run --capture-only --wait-ms'
# Unelevated, it starts an elevated copy with the arguments quoted back.
quoted='--wait-ms "C:\Program Files\\" --wait-ms C:\dir\ --wait-ms "" --wait-ms "a \\b\\\\" --wait-ms "a\\\"b" --wait-ms "say \"hi\"" --wait-ms a'$'\n''b'$'\v''c\\d --wait-ms "a'$'\t''b" --capture-only --wait-ms "耳 🎧"'
row 0 '' '' "$(launch "$quoted")" 'as limited tolvane-gate.exe "$quoted"'
# Started through a linked folder, it hands over the file the link leads to; a declined prompt, a failed launch.
ln -s "$build/gate" "$root/linked"; for error in '1223|Elevation was canceled.' '5|Failed to relaunch elevated. Win32 error: 5'; do row 1 '' "${error#*|}"$'\n' "$(launch --rescan-only)" "STANDIN_SHELL_ERROR=${error%%|*} as limited \"\$(windows \"\$root/linked/tolvane-gate.exe\")\" --rescan-only"; done
row 1 '' $'Failed to relaunch elevated. Win32 error: 4294967295\n' "$(launch '(null)')" 'STANDIN_SHELL_ERROR=4294967295 strace -fqqs99 -o "$root/writes" -e trace=write -e signal=none timeout 20 wine "$build/bin/with_token.exe" limited "$(windows "$gate")" ""'  # a caller reading the pipe gets the failure line in one write
holds "one write" grep -qF ', "Failed to relaunch elevated. Win32 error: 4294967295\r\n", 54) = 54' "$root/writes"
# The copy inherits its launcher's marker (marker=own): not elevated by "runas", it stops; elevated, it works.
row 1 '' $'The relaunched copy is not elevated either (User Account Control may be off): run tolvane from an elevated prompt.\n' '' 'as limited-copy tolvane-gate.exe --rescan-only'
row 0 "$rescanned" '' "$calls" 'as full-copy tolvane-gate.exe --rescan-only'
row 124 '' '' '' '(cd "$build/gate" && timeout 8 wine "$build/bin/with_token.exe" full start.exe "/wait tolvane-gate.exe --help")'  # its own window waits after a success too

# A failed rescan ends the run: no second line, no wait (it would outlast the limit), no report (--rescan-only ends 1 too); lines in order.
row 1 "$asked"$'CM_Locate_DevNodeW failed: 52\n' '' '' 'WINEDLLOVERRIDES=cfgmgr32= run --wait-ms 99999 2>&1'; row 1 "$asked" $'CM_Locate_DevNodeW failed: 52\n' '' 'WINEDLLOVERRIDES=cfgmgr32= run --rescan-only'  # no PnP manager at all
row 1 "$asked" $'CM_Reenumerate_DevNode failed: 4294967295\n' "$calls" 'STANDIN_CM_REENUMERATE=4294967295 run --wait-ms 99999'
sys=$WINEPREFIX/drive_c/windows/system32 && cp "$build/standins/locate-only/cfgmgr32.dll" "$sys" && row 1 "$asked" $'CM_Reenumerate_DevNode failed: 52\n' "$located" 'run --rescan-only --wait-ms 99999'; cp "$build/standins/cfgmgr32.dll" "$sys"  # a PnP manager without one
# Lost standard output fails the run, saying why: a pipe whose reader has gone, said in the user's language (German); a full disk, where 2 stays 2.
mkfifo "$root/pipe" && exec 3<>"$root/pipe" 4>"$root/pipe" 3<&-; row 1 '' $'Failed to write standard output: Pipe nicht verbunden.\n' "$calls" '(cd "$build/gate" && LC_ALL=de_DE.UTF-8 timeout 20 wine "$build/bin/with_token.exe" full tolvane-gate.exe --rescan-only) >&4'  # wine, not run: bash warns of a locale it lacks on a function's call
row 2 '' $'Unknown argument: --nope\nFailed to write standard output: Disk full.\n' '' 'run --nope >/dev/full'

# The real endpoints of the flow asked last, by name; a DLL planted beside it (cfgmgr32.dll, an audio driver) would end it.
[[ $(wine --version) == wine-8.* ]] && pulse=PulseAudio || pulse="PulseAudio Output"
report='#: HDMI Output|      state: active|      id: {0.0.0.00000000}
#: '"$pulse"'|      state: active|      default: console, multimedia, communications|      id: {0.0.0.00000000}
#: Réaltek® Speakers|      state: active|      id: {0.0.0.00000000}
#: 耳机 🎧 Headset|      state: active|      id: {0.0.0.00000000}
Requesting root PnP re-enumeration...|PnP rescan requested.|[render] 4 device(s)'$'\n'
sorted() { sed -E "s/^  #[0-9]+: /#: /; s/[.]\{[-0-9A-F]{36}\}\r$/\r/" | tr -d "\r" | paste -sd"|" | sed "s/|#: /\n#: /g" | sort | sed "s/\$/\r/"; }
row 0 "$report" '' "$calls" 'WINEDLLOVERRIDES=winepulse.drv=n,b as full "$(windows "$build/planted/tolvane.exe")" "--capture-only --render-only --wait-ms 0" | sorted'
# run.sh builds and runs it as an elevated prompt does, in the world it finds running or one it starts and stops, its arguments a Windows command line.
display=$(cat "$(cat "$build/wine/runtime")/display"); row 0 "$report" '' "$calls" 'TOLVANE_BUILD_DIR=$build bash "$source/scripts/run.sh" --wait-ms 0 \"--render-only\" 2>"$root/said" | sorted'
check "run.sh: last word" 'tolvane.exe exited with status 0' "$(cat "$root/said")"; check "run.sh: leaves the world it finds running, on its display" "$display" "$(cat "$(cat "$build/wine/runtime")/display")"
rt=$(cat "$build/wine/runtime") && "$source/scripts/wine-env.sh" stop "$build" && holds "wine-env.sh stop: the world's folder goes, its servers too" test ! -e "$rt" -a -z "$(pgrep -f "$rt")"; row 2 "$usage" '' '' 'TOLVANE_BUILD_DIR=$build bash "$source/scripts/run.sh" --nope 2>"$root/said"'
check "run.sh: a failure's last word" $'Unknown argument: --nope\r\ntolvane.exe exited with status 2' "$(cat "$root/said")"
holds "run.sh: builds in TOLVANE_BUILD_DIR, stops the world it started" test ! -e "$build/wine/runtime" -a \( ! -e "$source/build" -o "$source/build" -ef "$build" \)
# test.sh builds nothing outside a clone, in one that tracks no sources, or badly formatted, and what stops its build (build.sh says why); run.sh and bench.sh install what is missing first, run.sh shows why a build failed, bench.sh in a world it starts and stops, run.sh and build.sh keeping a build folder's spaces; test.sh runs the tests of its build folder and shows what a failing one said; deps.sh installs one removed package, or two purged ones, each as its own name, and shows why an install failed; wine-env.sh takes no world from a folder others may write to, and says which step of start failed; debian13.sh runs take turns, and where its root is made (Debian 13, made once, root's PATH) a run leaves the one going on be, copies the tree afresh, owned by root, they end as their command, fail when it leaves a process in the root, and undo first what a run killed outright left; one that cannot make the root shows why.
t=$root/t && mkdir -p "$t/scripts" && cp "$source/scripts/"{test,build}.sh "$t/scripts" && cp "$source/.clang-format" "$t" && echo 'echo deps' >"$t/scripts/deps.sh" && chmod +x "$t"/scripts/* && echo 'int x;' >"$t/a.cpp"
for text in $'int x;|git cannot list\n1' $'int x;|git cannot list\n1' $'int  x;|error: code\n1' $'int x;|CMake Error\n1'; do echo "${text%|*}" >"$t/a.h" && check "test.sh: ${text%|*}" "${text#*|}" "$(bash "$t/scripts/test.sh" 2>&1 >/dev/null | grep -o 'CMake Error\|git cannot list\|error: code'; echo $?)"; [ ! -d "$t/.git" ] || git -C "$t" add -A; git -C "$t" init -q; done
cp "$source/scripts/"{run,bench}.sh "$t/scripts" && echo 'echo "$1 $6"; echo "$1" >>"$0.log"' >"$t/scripts/wine-env.sh" && echo true >"$t/scripts/build.sh" && chmod +x "$t/scripts/wine-env.sh" && check "bench.sh: what is missing, in a world it starts and stops" $'deps\nrun ' "$(bash "$t/scripts/bench.sh")" && check "run.sh: what is missing, spaces in TOLVANE_BUILD_DIR" $'deps\nrun Z:\\a  b\\bin\\tolvane.exe' "$(TOLVANE_BUILD_DIR='/a  b' bash "$t/scripts/run.sh" 2>/dev/null)" && check "run.sh: an empty TOLVANE_BUILD_DIR is build/" "run $(windows "$t/build/bin/tolvane.exe")" "$(TOLVANE_BUILD_DIR= bash "$t/scripts/run.sh" 2>/dev/null | tail -1)" && mkdir "$t/build" && echo 'add_test(t sh -c "echo said-so; false")' >"$t/build/CTestTestfile.cmake" && check "test.sh: the tests of its build folder, what a failing one said" $'said-so\n8' "$(bash "$t/scripts/test.sh" 2>&1 | grep -ow said-so | sort -u; echo "${PIPESTATUS[0]}")"; check "test.sh: stops the world when it ends" stop "$(tail -1 "$t/scripts/wine-env.sh.log")" && mkdir "$t/bin" && printf '#!/bin/sh\nprintf "%%s\\n" "$@" >>"$0.log"\n' >"$t/bin/cmake" && chmod +x "$t/bin/cmake"; PATH=$t/bin:$PATH bash "$source/scripts/build.sh" "$root/a b"; check "build.sh: a build folder with spaces" 2 "$(grep -cx "$root/a b" "$t/bin/cmake.log")"; echo 'echo broken >&2; exit 1' >"$t/scripts/build.sh" && check "run.sh: a failed build says why" $'broken\n1' "$(bash "$t/scripts/run.sh" 2>&1 >/dev/null; echo $?)"
printf '#!/bin/sh\necho "$# $1" >>%s/apt\n[ "$1" != install ] || [ -z "$FAIL" ] || { echo E: gone >&2; exit 100; }\n' "$t" >"$t/apt-get" && chmod +x "$t/apt-get" && for status in 'install ok installed|zip|' 'deinstall ok config-files|zip|2 update 4 install' 'unknown ok not-installed|zip git|2 update 5 install'; do
  IFS='|' read -r state names expected <<<"$status" && printf '#!/bin/sh\ncase " %s " in *" $3 "*) echo %s;; *) echo install ok installed;; esac\n' "$names" "$state" >"$t/dpkg-query" && chmod +x "$t/dpkg-query" && : >"$t/apt" && check "deps.sh: $names $state" "$expected" "$(PATH=$t:$PATH bash "$source/scripts/deps.sh" >/dev/null; xargs <"$t/apt")"; done; check "deps.sh: an install that fails says why" $'E: gone\n100' "$(FAIL=1 PATH=$t:$PATH bash "$source/scripts/deps.sh" 2>&1 >/dev/null; echo $?)"
mkdir -p "$t/wine" "$root/rt" && echo 9 >"$root/rt/display" && chmod 777 "$root/rt" && printf %s "$root/rt" >"$t/wine/runtime" && check "wine-env.sh: a folder others may write to" "1 $root/rt" "$(bash "$source/scripts/wine-env.sh" exec "$t" true 2>/dev/null; echo $? "$(cat "$t/wine/runtime")")" && printf '#!/bin/sh\nexit 3\n' >"$t/wineboot" && chmod +x "$t/wineboot" && check "wine-env.sh: a step of start that fails says so" $'wine-env.sh: wineboot -i failed with status 3\n3' "$(PATH=$t:$PATH bash "$source/scripts/wine-env.sh" start "$t" 2>&1 >/dev/null; echo $?)"; bash "$source/scripts/wine-env.sh" stop "$t"
check "debian13.sh: a run waits for the one before" 124 "$(mkdir -p /var/cache/tolvane && flock /var/cache/tolvane/debian13.lock timeout 2 bash "$source/scripts/debian13.sh" true 2>&1; echo $?)"; [ ! -d /var/cache/tolvane/debian13 ] || { bash "$source/scripts/debian13.sh" sleep 31 >/dev/null 2>&1 & first=$!; for _ in $(seq 300); do pgrep -fx 'sleep 31' >/dev/null && break; sleep 0.1; done
  check "debian13.sh: a run waits for the one going on, leaving it be" $'124\n0' "$(timeout 2 bash "$source/scripts/debian13.sh" true >/dev/null 2>&1; echo $?; pgrep -fx 'sleep 31' >/dev/null; echo $?)"; kill -9 "$first"; wait "$first"; check "debian13.sh: undoes first what a run killed outright left, is Debian 13, root's PATH, ends as its command" $'Debian 13\n3' "$(bash "$source/scripts/debian13.sh" sh -c '. /etc/os-release; ldconfig -p >/dev/null && echo "Debian $VERSION_ID"; exit 3' 2>&1; echo $?)"
  check "debian13.sh: a process left in the root fails the run" 1 "$(bash "$source/scripts/debian13.sh" sh -c 'setsid sleep 60 &' >/dev/null 2>&1; echo $?)"; cp "$source/scripts/debian13.sh" "$t/scripts" && chown -R nobody "$t" && check "debian13.sh: each run a fresh copy of the tree, owned by root" $'0\n0' "$(bash "$t/scripts/debian13.sh" touch gone && bash "$t/scripts/debian13.sh" sh -c 'stat -c %u scripts/debian13.sh; test ! -e gone' 2>&1; echo $?)"; printf '#!/bin/sh\necho "E: the archive is gone"; exit 1\n' >"$t/bin/debootstrap" && chmod +x "$t/bin/debootstrap" && check "debian13.sh: undoes what a run killed while making the root left, a root that cannot be made says why" $'Making the Debian 13 root in /var/cache/tolvane/debian13\nE: the archive is gone\n1' "$(flock /var/cache/tolvane/debian13.lock unshare -m sh -c 'n=/var/cache/tolvane/debian13.new && mount -t tmpfs none /var/cache && mkdir -p $n/proc && mount -t tmpfs none $n/proc && exec "$@"' sh env PATH="$t/bin:$PATH" bash "$source/scripts/debian13.sh" true 2>&1; echo $?)"; }  # a machine without the cache, the real one locked meanwhile
[ "$failures" -eq 0 ] && echo "all rows as expected"
