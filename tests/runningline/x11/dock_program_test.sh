#!/bin/sh
# Starts the built program with a home of its own under an X server and checks that its bar is a
# dock window across the bottom of the screen that reserves its strip.
# Usage (under xvfb-run with a 1280x800 screen): dock_program_test.sh path/to/quillane-reminder
set -u
BIN=$1
ROOT=$(mktemp -d)
export HOME="$ROOT/home" XDG_CONFIG_HOME="$ROOT/home/.config" XDG_DATA_HOME="$ROOT/home/.local/share"
# A short runtime folder, in the test's own where that one's path is short: a long one has the program put its
# socket in a folder of its own in /tmp.
XDG_RUNTIME_DIR=$ROOT/run
[ ${#ROOT} -le 64 ] || XDG_RUNTIME_DIR=$(mktemp -d /tmp/qr-run.XXXXXX)
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
export XDG_RUNTIME_DIR XDG_CACHE_HOME="$ROOT/home/.cache"
export ASAN_OPTIONS=detect_leaks=0
unset QT_QPA_PLATFORM
mkdir -p "$HOME"

"$BIN" >/dev/null 2>&1 &
PID=$!
cleanup() {
    kill -9 "$PID" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$ROOT" "$XDG_RUNTIME_DIR"
}
fail() {
    echo "FAIL: $*"
    cleanup
    exit 1
}

# The bar appears once the program has started; look for it for up to 30 s.
DOCK=""
i=0
while [ -z "$DOCK" ] && [ $i -lt 60 ]; do
    sleep 0.5
    i=$((i + 1))
    kill -0 "$PID" 2>/dev/null || fail "the program ended"
    for w in $(xwininfo -root -children | sed -n 's/^ *\(0x[0-9a-f]*\) .*/\1/p'); do
        case "$(xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null)" in
        *_NET_WM_WINDOW_TYPE_DOCK*) DOCK=$w ;;
        esac
    done
done
[ -n "$DOCK" ] || fail "no dock window"

Y=$(xwininfo -id "$DOCK" | sed -n 's/.*Absolute upper-left Y: *//p')
W=$(xwininfo -id "$DOCK" | sed -n 's/.*Width: *//p')
H=$(xwininfo -id "$DOCK" | sed -n 's/.*Height: *//p')
[ "$W" = 1280 ] || fail "width $W"
[ $((Y + H)) = 800 ] || fail "not on the bottom edge: y $Y height $H"
STRUT=$(xprop -id "$DOCK" _NET_WM_STRUT_PARTIAL | sed 's/.*= //')
[ "$STRUT" = "0, 0, 0, $H, 0, 0, 0, 0, 0, 0, 0, 1279" ] || fail "strut $STRUT"
echo "dock $DOCK at y $Y, ${W}x$H, strut $STRUT"
cleanup
exit 0
