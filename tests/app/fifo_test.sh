#!/bin/sh
# A FIFO or folder in place of one of the program's files, each in a home of its own: the program tells of
# it in a box (answered here), reaches its event loop and ends on SIGTERM with status 0 within 5 s.
# Usage (under xvfb-run): fifo_test.sh path/to/quillane-reminder
set -u
ROOT=$(mktemp -d)
export ASAN_OPTIONS=detect_leaks=0
unset QT_QPA_PLATFORM
fail() { echo "FAIL: $ROW: $*"; kill -9 "$PID" 2>/dev/null; rm -rf "$ROOT"; exit 1; }
for ROW in fifo:events.dat fifo:customtypes.dat fifo:typesorder.dat fifo:stat.dat fifo:.restore-journal \
           fifo:pixmaps.dat fifo:CONF dir:events.dat dir:CONF; do
    export HOME="$ROOT/$(echo "$ROW" | tr ':.' '__')"
    export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_RUNTIME_DIR="$HOME/run" \
           XDG_CACHE_HOME="$HOME/.cache"
    DATA="$XDG_DATA_HOME/Quillane/Quillane Reminder" TARGET="$XDG_CONFIG_HOME/Quillane/Quillane Reminder.conf"
    mkdir -p -m 700 "$XDG_RUNTIME_DIR" && mkdir -p "$DATA" "$XDG_CONFIG_HOME/Quillane"
    [ "${ROW#*:}" = CONF ] || TARGET="$DATA/${ROW#*:}"
    if [ "${ROW%%:*}" = fifo ]; then mkfifo "$TARGET"; else mkdir "$TARGET"; fi
    "$1" & PID=$!
    i=0 TOLD=0
    until [ $TOLD -gt 0 ] && grep -q "Next time update scheduled" "$DATA/log.dat" 2>/dev/null; do
        kill -0 "$PID" 2>/dev/null || fail "the program ended while starting"
        [ $((i += 1)) -lt 300 ] || fail "no event loop reached, or nothing told ($TOLD)"
        BOX=$(xdotool search --onlyvisible --name 'Data Error' 2>/dev/null | head -1)
        [ -n "$BOX" ] && { xdotool key --window "$BOX" Return 2>/dev/null; TOLD=$((TOLD + 1)); }
        sleep 0.1
    done
    kill -s TERM "$PID" && i=0
    while kill -0 "$PID" 2>/dev/null; do [ $((i += 1)) -lt 50 ] || fail "still running 5 s after SIGTERM"; sleep 0.1; done
    wait "$PID" || fail "ended with status $?"
    echo "PASS: $ROW: told, started, ended on SIGTERM with status 0"
done
rm -rf "$ROOT"
