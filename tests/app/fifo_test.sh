#!/bin/sh
# Starts the built program with a FIFO or a folder in place of one of its files, each time in a home of its
# own: it must tell of the odd file in a box (answered here), reach its event loop and end on SIGTERM with
# status 0 within 5 s.
# Usage (under xvfb-run): fifo_test.sh path/to/quillane-reminder
set -u
BIN=$1
ROOT=$(mktemp -d)
export ASAN_OPTIONS=detect_leaks=0
unset QT_QPA_PLATFORM
PID=""

cleanup() {
    [ -n "$PID" ] && kill -9 "$PID" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$ROOT"
}
fail() {
    echo "FAIL: $*"
    cleanup
    exit 1
}

for ROW in fifo:events.dat fifo:customtypes.dat fifo:typesorder.dat fifo:stat.dat fifo:.restore-journal \
           fifo:CONF dir:events.dat dir:CONF; do
    KIND=${ROW%%:*}
    FILE=${ROW#*:}
    NAME=$(echo "$ROW" | tr ':.' '__')
    export HOME="$ROOT/$NAME" XDG_CONFIG_HOME="$ROOT/$NAME/.config" XDG_DATA_HOME="$ROOT/$NAME/.local/share"
    export XDG_RUNTIME_DIR="$ROOT/$NAME/run" XDG_CACHE_HOME="$ROOT/$NAME/.cache"
    DATA="$XDG_DATA_HOME/Quillane/Quillane Reminder"
    mkdir -p "$XDG_RUNTIME_DIR" "$DATA" "$XDG_CONFIG_HOME/Quillane"
    chmod 700 "$XDG_RUNTIME_DIR"
    TARGET="$DATA/$FILE"
    [ "$FILE" = CONF ] && TARGET="$XDG_CONFIG_HOME/Quillane/Quillane Reminder.conf"
    if [ "$KIND" = fifo ]; then mkfifo "$TARGET"; else mkdir "$TARGET"; fi
    "$BIN" & PID=$!
    # Told once, in a box that is answered; then the program goes on to its event loop.
    i=0
    TOLD=0
    until [ $TOLD -gt 0 ] && grep -q "Next time update scheduled" "$DATA/log.dat" 2>/dev/null; do
        [ $i -lt 300 ] || fail "$ROW: the program did not reach its event loop, or told nothing ($TOLD)"
        BOX=$(xdotool search --onlyvisible --name 'Data Error' 2>/dev/null | head -1)
        if [ -n "$BOX" ]; then
            xdotool key --window "$BOX" Return
            TOLD=$((TOLD + 1))
        fi
        sleep 0.1
        i=$((i + 1))
    done
    kill -s TERM "$PID"
    i=0
    while kill -0 "$PID" 2>/dev/null; do
        [ $i -lt 50 ] || fail "$ROW: still running 5 s after SIGTERM"
        sleep 0.1
        i=$((i + 1))
    done
    wait "$PID"
    rc=$?
    PID=""
    [ $rc -eq 0 ] || fail "$ROW: ended with status $rc"
    echo "PASS: $ROW: started ($TOLD box answered), ended on SIGTERM with status 0"
done
cleanup
exit 0
