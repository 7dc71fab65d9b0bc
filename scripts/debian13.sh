#!/usr/bin/env bash
# Runs the whole test suite once more in a Debian 13 root, where Wine 10
# starts every process with a standard user's token, as Windows does with
# User Account Control on. The root is made from Debian's archive with
# debootstrap on first use and kept outside the tree, in
# /var/cache/tolvane/debian13, so that later runs reuse it and what the
# suite installed there; this tree, as it stands, is copied in afresh each
# time. Every mount it makes is gone when it ends, and anything the command
# left running in the root ends it with a failure. Run as root on Debian 12
# or Debian 13.
#   debian13.sh [COMMAND...]    (default: bash scripts/test.sh)
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
root=/var/cache/tolvane/debian13
[ $# -gt 0 ] || set -- bash scripts/test.sh

if ! command -v debootstrap >/dev/null; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq debootstrap >/dev/null
fi
if [ ! -e "$root/.complete" ]; then
  echo "Making the Debian 13 root in $root"
  rm -rf "$root.new" && mkdir -p "$root.new"
  debootstrap --variant=minbase trixie "$root.new" \
    >"$root.new.log" 2>&1 || { tail -20 "$root.new.log" >&2; exit 1; }
  # Packages installed there start no services.
  printf '#!/bin/sh\nexit 101\n' >"$root.new/usr/sbin/policy-rc.d"
  chmod 755 "$root.new/usr/sbin/policy-rc.d"
  touch "$root.new/.complete"
  rm -rf "$root" "$root.new.log" && mv "$root.new" "$root"
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"

mounts=()
# The processes whose root is the Debian 13 root.
inside() {
  local pid
  for pid in /proc/[0-9]*; do
    [ "$(readlink "$pid/root" 2>/dev/null)" != "$root" ] ||
      echo "${pid#/proc/} $(cat "$pid/comm" 2>/dev/null)"
  done
}
finish() {
  local left i
  left=$(inside)
  if [ -n "$left" ]; then
    kill -9 $(cut -d' ' -f1 <<<"$left") 2>/dev/null || true
    for _ in $(seq 50); do [ -n "$(inside)" ] || break; sleep 0.1; done
  fi
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do umount "${mounts[i]}"; done
  mounts=()
  [ -z "$left" ] || { printf 'left running in the Debian 13 root:\n%s\n' "$left" >&2; return 1; }
}
trap finish EXIT
for mount in proc sys dev dev/pts; do
  mount --bind "/$mount" "$root/$mount"
  mounts+=("$root/$mount")
done

rm -rf "$root/work/tolvane" && mkdir -p "$root/work/tolvane"
tar -C "$source_dir" --exclude=./build -cf - . |
  tar -C "$root/work/tolvane" --no-same-owner -xf -
set +e
chroot "$root" /usr/bin/env -i HOME=/root TERM="${TERM:-dumb}" \
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  bash -c 'cd /work/tolvane && exec "$@"' debian13 "$@"
status=$?
set -e
trap - EXIT
finish || status=1
exit "$status"
