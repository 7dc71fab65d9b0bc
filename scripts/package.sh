#!/usr/bin/env bash
# Packs the release into OUT_DIR: tolvane-VERSION-win64.zip, holding the
# executable, the README and the licence, and its .sha256. The same inputs
# give the same bytes: the entries go in a fixed order, with fixed
# permissions, no owner and the time EPOCH (seconds since 1970, UTC), and
# nothing of the folder, the user or the locale.
#   package.sh OUT_DIR VERSION EPOCH EXECUTABLE README LICENSE
set -euo pipefail
out=$(cd "$1" && pwd) version=$2 epoch=$3
name=tolvane-$version-win64.zip
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
install -m 755 "$4" "$stage/tolvane.exe"
install -m 644 "$5" "$stage/README.md"
install -m 644 "$6" "$stage/LICENSE"
touch -d "@$epoch" "$stage"/*
rm -f "$out/$name"
# -X leaves out the owner and the extra time fields; a zip entry's time is
# local time, so it is written as UTC.
(cd "$stage" && TZ=UTC LC_ALL=C zip -X -D -q -9 "$out/$name" tolvane.exe README.md LICENSE)
(cd "$out" && sha256sum "$name" >"$name.sha256")
