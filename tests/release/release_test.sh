#!/usr/bin/env bash
# The release executable and zip, as a user downloads them:
#   release_test.sh TOLVANE_EXE BUILD_DIR VERSION
set -euo pipefail
exe=$1
build_dir=$2
version=$3
failures=0
passes=0

check() {
  if [ "$2" = "$3" ]; then
    passes=$((passes + 1))
    printf 'ok   %s\n' "$1"
  else
    failures=$((failures + 1))
    printf 'FAIL %s\n  expected: %s\n  actual:   %s\n' "$1" "$2" "$3"
  fi
}

# Windows loads these only from the system directory, whatever lies beside
# the executable.
known_dlls=" advapi32.dll clbcatq.dll combase.dll comdlg32.dll coml2.dll
  difxapi.dll gdi32.dll gdiplus.dll imagehlp.dll imm32.dll kernel32.dll
  msctf.dll msvcrt.dll normaliz.dll nsi.dll ole32.dll oleaut32.dll psapi.dll
  rpcrt4.dll sechost.dll setupapi.dll shcore.dll shell32.dll shlwapi.dll
  user32.dll wldap32.dll ws2_32.dll "
known_dlls=" $(echo $known_dlls) "
headers=$(x86_64-w64-mingw32-objdump -p "$exe")
for dll in $(printf '%s\n' "$headers" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z'); do
  case "$known_dlls" in
    *" $dll "*) check "import $dll is a KnownDLL" yes yes ;;
    *) check "import $dll is a KnownDLL" yes no ;;
  esac
done
check "cfgmgr32 is not imported" "" "$(printf '%s\n' "$headers" | grep -i 'DLL Name: cfgmgr32' || true)"
for flag in HIGH_ENTROPY_VA DYNAMIC_BASE NX_COMPAT; do
  check "PE flag $flag" yes "$(grep -qw "$flag" <<<"$headers" && echo yes || echo no)"
done

size=$(stat -c %s "$exe")
echo "tolvane.exe: $size bytes"
check "stripped and at most 1 MiB" yes "$([ "$size" -le 1048576 ] && echo yes || echo no)"
check "stripped" "" "$(x86_64-w64-mingw32-objdump -h "$exe" | grep -o '\.debug_[a-z]*' | head -1)"

package_dir=$(mktemp -d)
trap 'rm -rf "$package_dir"' EXIT
cpack --config "$build_dir/CPackConfig.cmake" -B "$package_dir" >/dev/null
zip=$package_dir/tolvane-$version-win64.zip
check "package name" yes "$([ -f "$zip" ] && echo yes || echo no)"
check "package contents" "LICENSE README.md tolvane.exe" \
  "$(cmake -E tar tf "$zip" | sort | tr '\n' ' ' | sed 's/ $//')"
(cd "$package_dir" && cmake -E tar xf "$zip")
check "packaged exe is the built one" yes \
  "$(cmp -s "$exe" "$package_dir/tolvane.exe" && echo yes || echo no)"
check "checksum file" yes \
  "$(cd "$package_dir" && sha256sum -c --status "$zip.sha256" && echo yes || echo no)"

echo "release: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
