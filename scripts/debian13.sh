#!/usr/bin/env bash
# Runs the whole test suite once more in a Debian 13 root, where Wine 10
# starts every process with a standard user's token, as Windows does with
# User Account Control on. The root is made with debootstrap, from its own
# default archive, on first use and kept outside the tree, in
# /var/cache/tolvane/debian13, so that later runs reuse it and what the
# suite installed there; this tree, as it stands, is copied in afresh each
# time. Runs take turns: a second one waits for the first to end. Every
# mount under the root is gone when a run ends, however it ends; one that
# cannot be undone, or anything the command left running in the root, fails
# the run. What a run killed outright left, the next one undoes first. Run
# as root on Debian 12 or Debian 13.
#   debian13.sh [COMMAND...]    (default: bash scripts/test.sh)
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
cache=/var/cache/tolvane
root=$cache/debian13
[ $# -gt 0 ] || set -- bash scripts/test.sh

mkdir -p "$cache"
exec 9>"$cache/debian13.lock"
flock 9

# The processes whose root is the Debian 13 root.
inside() {
  local pid
  for pid in /proc/[0-9]*; do
    [ "$(readlink "$pid/root" 2>/dev/null)" != "$root" ] ||
      echo "${pid#/proc/} $(cat "$pid/comm" 2>/dev/null)"
  done
}
# Undoes every mount under the root and the root being made, newest first,
# once nothing runs there; says what it could not undo, and fails then.
# A process still there at the end is a failure too, but for "--earlier".
finish() {
  local left stuck=0 mount
  left=$(inside)
  if [ -n "$left" ]; then
    kill -9 $(cut -d' ' -f1 <<<"$left") 2>/dev/null || true
    for _ in $(seq 50); do [ -n "$(inside)" ] || break; sleep 0.1; done
    if [ "${1:-}" != --earlier ]; then
      printf 'left running in the Debian 13 root:\n%s\n' "$left" >&2
      stuck=1
    fi
  fi
  # Newest first, as the kernel lists mounts in the order they were made:
  # a mount stacked on another comes off before the one it covers.
  for mount in $(awk '{print $5}' /proc/self/mountinfo | tac |
                 grep -E "^($root|$root\.new)(/|$)"); do
    umount "$mount" || { echo "could not unmount $mount" >&2; stuck=1; }
  done
  return "$stuck"
}
# A run that was killed outright (SIGKILL, a lost machine) could not clean
# up; the lock says none is running now, so what it left goes first.
finish --earlier || exit 1
trap 'status=$?; finish || status=1; exit "$status"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

if ! command -v debootstrap >/dev/null; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq debootstrap >/dev/null
fi
if [ ! -e "$root/.complete" ]; then
  echo "Making the Debian 13 root in $root"
  rm -rf "$root.new" && mkdir -p "$root.new"
  debootstrap --variant=minbase trixie "$root.new" \
    >"$root.new.log" 2>&1 9>&- || { tail -20 "$root.new.log" >&2; exit 1; }
  # Packages installed there start no services.
  printf '#!/bin/sh\nexit 101\n' >"$root.new/usr/sbin/policy-rc.d"
  chmod 755 "$root.new/usr/sbin/policy-rc.d"
  touch "$root.new/.complete"
  rm -rf "$root" "$root.new.log" && mv "$root.new" "$root"
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"
for mount in proc sys dev dev/pts; do
  mount --bind "/$mount" "$root/$mount"
done

rm -rf "$root/work/tolvane" && mkdir -p "$root/work/tolvane"
tar -C "$source_dir" --exclude=./build -cf - . |
  tar -C "$root/work/tolvane" --no-same-owner -xf -
chroot "$root" /usr/bin/env -i HOME=/root TERM="${TERM:-dumb}" \
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  bash -c 'cd /work/tolvane && exec "$@"' debian13 "$@" 9>&-
