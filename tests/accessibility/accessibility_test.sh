#!/usr/bin/env bash
# Starts the real program under the test X server with an accessibility bus
# and walks it through AT-SPI (atspi_walk.py). Needs QSR_TEST_X_DISPLAY and
# the test sound server; skipped (77) without a display.
# usage: accessibility_test.sh PROGRAM APP_NAME BUTTON...
set -uo pipefail
program=$1 name=$2
shift 2
[ -n "${QSR_TEST_X_DISPLAY:-}" ] || { echo "no test X display"; exit 77; }
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "${DBUS_SESSION_BUS_PID:-}" ] && kill "$DBUS_SESSION_BUS_PID" 2>/dev/null
  pkill -f "at-spi-bus-launcher.*$work" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

export DISPLAY=$QSR_TEST_X_DISPLAY
export HOME=$work/home XDG_RUNTIME_DIR=$work/run XDG_DATA_HOME=$work/data QSR_HOME=$work/app
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$QSR_HOME"
chmod 700 "$XDG_RUNTIME_DIR"
eval "$(dbus-launch --sh-syntax)"
# The accessibility bus and its registry, started on demand by the session bus.
launcher=$(ls /usr/libexec/at-spi-bus-launcher /usr/lib/at-spi2-core/at-spi-bus-launcher 2>/dev/null | head -1)
[ -n "$launcher" ] && "$launcher" --launch-immediately >/dev/null 2>&1 &
# The test X server may still be starting on a loaded machine: wait until it
# answers rather than start the program against a display that is not there.
for _ in $(seq 1 300); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 NO_AT_BRIDGE=0
"$program" >"$work/app.log" 2>&1 &
app_pid=$!
/usr/bin/python3 "$here/atspi_walk.py" "$name" "$@"
status=$?
[ $status -eq 0 ] || { echo "--- program output:"; tail -20 "$work/app.log"; }
exit $status
