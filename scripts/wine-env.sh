#!/usr/bin/env bash
# The private Wine world that tolvane runs in on Linux: a Wine prefix inside
# the build tree with the stand-in PnP manager installed, one persistent
# wineserver, a private PulseAudio with null sinks as audio hardware, and a
# private X display (Xvfb), where a console of a program's own has a window,
# as on a desktop.
#
#   wine-env.sh start BUILD_DIR          set up the prefix, start the servers
#   wine-env.sh stop BUILD_DIR           stop every server that start started
#   wine-env.sh exec BUILD_DIR CMD...    run CMD inside that world
#   wine-env.sh run BUILD_DIR CMD...     start, run CMD, stop again (a world
#                                        that was running is left running)
set -euo pipefail

action=${1:?usage: wine-env.sh start|stop|exec|run BUILD_DIR [CMD...]}
build_dir=$(cd "${2:?build directory missing}" && pwd)
shift 2

export WINEPREFIX="$build_dir/wine/prefix"
export WINEARCH=win64
export WINEDEBUG=-all
# Device names travel through PulseAudio and Wine as multibyte text; in the
# plain C locale their non-ASCII characters are mangled on the way.
export LC_ALL=C.UTF-8
# The world's runtime folder (PulseAudio's socket, the display's number)
# lives under /tmp, as a unix socket path has to stay short and the clone
# may live deep down. start makes it fresh with mktemp, private to this
# user, and keeps its name in the build tree for the later steps, so no
# folder that someone made beforehand can stand in for it.
record="$build_dir/wine/runtime"
runtime() {
  local dir
  dir=$(cat "$record" 2>/dev/null) && [ -d "$dir" ] && [ ! -L "$dir" ] &&
    [ -O "$dir" ] && [ "$(stat -c %a "$dir")" = 700 ] && printf %s "$dir"
}
XDG_RUNTIME_DIR=$(runtime) || XDG_RUNTIME_DIR=
if [ -z "$XDG_RUNTIME_DIR" ] && [ "$action" = start ]; then
  mkdir -p "$build_dir/wine"
  XDG_RUNTIME_DIR=$(mktemp -d /tmp/tolvane-XXXXXXXX)
  printf %s "$XDG_RUNTIME_DIR" >"$record"
fi
export XDG_RUNTIME_DIR PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse/native"
# Never the user's own display. Wine's desktop takes the display of the
# world's first process, so the world has its own from the start.
unset DISPLAY
use_display() {
  [ -n "$XDG_RUNTIME_DIR" ] || { echo "wine-env.sh: no world has been started in $build_dir" >&2; exit 1; }
  DISPLAY=:$(cat "$XDG_RUNTIME_DIR/display")
  export DISPLAY
}

# The sinks that stand for audio hardware. Their names cover plain ASCII,
# accented Latin letters and characters beyond Latin-1.
sinks=(
  "tolvane_speakers|Réaltek® Speakers"
  "tolvane_headset|耳机 🎧 Headset"
  "tolvane_hdmi|HDMI Output"
)

pulse() { HOME="$XDG_RUNTIME_DIR" "$@"; }

# Runs a step whose own output is noise here; one that fails ends the
# action and says which step it was and its status, so that a world that did
# not start never fails without a word.
step() {
  "$@" </dev/null >/dev/null 2>&1 || {
    local status=$?
    echo "wine-env.sh: $* failed with status $status" >&2
    exit "$status"
  }
}

start_pulse() {
  if pulse pactl info >/dev/null 2>&1; then
    return
  fi
  local args=(-n --daemonize=yes --exit-idle-time=-1 --use-pid-file=yes
    --disallow-exit --log-target=file:"$XDG_RUNTIME_DIR/pulse.log"
    --load="module-native-protocol-unix auth-anonymous=1")
  local sink
  for sink in "${sinks[@]}"; do
    args+=(--load="module-null-sink sink_name=${sink%%|*} sink_properties='device.description=\"${sink#*|}\"'")
  done
  step pulse pulseaudio "${args[@]}"
  for _ in $(seq 50); do
    pulse pactl info >/dev/null 2>&1 && break
    sleep 0.1
  done
  pulse pactl set-default-sink "${sinks[0]%%|*}"
}

start_display() {
  [ ! -s "$XDG_RUNTIME_DIR/display" ] || return 0
  Xvfb -displayfd 3 -nolisten tcp 3>"$XDG_RUNTIME_DIR/display" \
    </dev/null >/dev/null 2>&1 &
  echo $! >"$XDG_RUNTIME_DIR/xvfb.pid"
  for _ in $(seq 50); do
    [ ! -s "$XDG_RUNTIME_DIR/display" ] || return 0
    sleep 0.1
  done
  echo "wine-env.sh: the X display did not start" >&2
  return 1
}

# Waits up to 5 s for process $1 to be gone.
await_end() {
  for _ in $(seq 50); do
    kill -0 "$1" 2>/dev/null || return 0
    sleep 0.1
  done
}

setup_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    # No Mono or Gecko: nothing here needs them, and fetching them is barred.
    WINEDLLOVERRIDES="mscoree,mshtml=" step wineboot -i
  fi
  # Wine's crash debugger, when it ends a crashed process, has ended it
  # with status 0 once any thread of the process had ended before the crash.
  # Without it a crash ends the process with its exception code, as on
  # Windows.
  step wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
    /v Debugger /d '' /f
  # The stand-in PnP manager goes where the executable takes cfgmgr32 from:
  # the system directory. Only the programs that run the tool's code, the
  # unit tests among them, are told to prefer it over Wine's.
  cp "$build_dir/standins/cfgmgr32.dll" "$WINEPREFIX/drive_c/windows/system32/cfgmgr32.dll"
  override tolvane.exe cfgmgr32
  override unit_tests.exe cfgmgr32
  # The copy under test for the relaunch takes the stand-in shell launch
  # from beside itself.
  override tolvane-gate.exe cfgmgr32
  override tolvane-gate.exe shell32
}

override() {
  step wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$1\\DllOverrides" \
    /v "$2" /d native /f
}

case "$action" in
  start)
    start_pulse
    start_display
    use_display
    mkdir -p "$WINEPREFIX"
    # Fails harmlessly when this prefix has its server already.
    wineserver -p </dev/null >/dev/null 2>&1 || true
    setup_prefix
    ;;
  stop)
    wineserver -k 2>/dev/null || true
    if [ -n "$XDG_RUNTIME_DIR" ]; then
      pulse_pid=$(cat "$XDG_RUNTIME_DIR/pulse/pid" 2>/dev/null) || pulse_pid=
      xvfb_pid=$(cat "$XDG_RUNTIME_DIR/xvfb.pid" 2>/dev/null) || xvfb_pid=
      pulse pulseaudio --kill 2>/dev/null || true
      [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
      # Both write to their folders until they have gone, a moment later.
      for pid in $pulse_pid $xvfb_pid; do await_end "$pid"; done
      rm -rf "$XDG_RUNTIME_DIR"
    fi
    rm -f "$record"
    ;;
  exec)
    use_display
    exec "$@"
    ;;
  run)
    [ -n "$XDG_RUNTIME_DIR" ] || trap '"$0" stop "$build_dir"' EXIT
    "$0" start "$build_dir"
    "$0" exec "$build_dir" "$@"
    ;;
  *)
    echo "wine-env.sh: unknown action '$action'" >&2
    exit 2
    ;;
esac
