#!/bin/sh
# Ends the built program by signal, as a log-out or shut-down does, each time with a home of its own, under
# an X server: SIGTERM, SIGINT and SIGHUP while idle, and SIGTERM while it is still starting (loading and
# writing its files). Each end must be orderly: status 0, the moved gadget's place saved, no lock or
# socket left.
# Usage (under xvfb-run): signal_test.sh path/to/quillane-reminder
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
home() {
    export HOME="$ROOT/$1" XDG_CONFIG_HOME="$ROOT/$1/.config" XDG_DATA_HOME="$ROOT/$1/.local/share"
    export XDG_RUNTIME_DIR="$ROOT/$1/run" XDG_CACHE_HOME="$ROOT/$1/.cache"
    mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    LOG="$XDG_DATA_HOME/Quillane/Quillane Reminder/log.dat"
    CONF="$XDG_CONFIG_HOME/Quillane/Quillane Reminder.conf"
}
# Waits until the log holds the text (or, with no text, exists).
wait_log() {
    local i=0
    while [ $i -lt 300 ]; do
        if [ -z "$1" ]; then [ -s "$LOG" ] && return 0; else grep -q "$1" "$LOG" 2>/dev/null && return 0; fi
        sleep 0.1
        i=$((i + 1))
    done
    return 1
}
ended_orderly() {
    local rc
    wait "$PID"
    rc=$?
    PID=""
    [ $rc -eq 0 ] || fail "$1: the program ended with status $rc, not 0"
    # A session bus started for the program (dbus-x11 without a bus set) keeps its own folder there.
    local left
    left=$(ls -A "$XDG_RUNTIME_DIR" | grep -vx dbus-1)
    [ -z "$left" ] || fail "$1: left in the runtime folder: $left"
    [ ! -e "$(dirname "$LOG")/instance.lock" ] || fail "$1: the data folder's lock was left"
}

for SIG in TERM INT HUP; do
    home "idle-$SIG"
    "$BIN" & PID=$!
    wait_log "Next time update scheduled" || fail "SIG$SIG: the program did not reach its event loop"
    # The welcome gadget, moved to 417,233: its saved geometry then holds 0x1a1 and 0xe9 side by side.
    i=0
    GADGET=""
    while [ -z "$GADGET" ] && [ $i -lt 100 ]; do
        GADGET=$(xdotool search --onlyvisible --name 'Widget Info' 2>/dev/null | head -1)
        sleep 0.1
        i=$((i + 1))
    done
    [ -n "$GADGET" ] || fail "SIG$SIG: no gadget window"
    xdotool windowmove "$GADGET" 417 233
    sleep 1
    kill -s "$SIG" "$PID"
    ended_orderly "SIG$SIG while idle"
    grep -qF '\x1\xa1\0\0\0\xe9' "$CONF" || fail "SIG$SIG: the gadget's new place was not saved"
    # The statistics count an orderly end, and their dump stays with the final counts.
    grep -qx 'successful_ends: 1' "$(dirname "$LOG")/stat.dat" || fail "SIG$SIG: the end was not counted"
    echo "PASS: SIG$SIG while idle ends with status 0, the gadget's place saved, no lock left"
done

# Copies made by hand beside every data file (or left by earlier versions) keep every byte over two starts.
home copies
DATA=$(dirname "$LOG") && mkdir -p "$DATA" "$(dirname "$CONF")"
for f in events customtypes typesorder pixmaps stat prop gdtctrl sysinfo log "todo.{0a1b2c3d-0000-4000-8000-00000000000a}"; do
    for c in backup 241208 before oldone AbC123; do echo "$f $c" >"$DATA/$f.dat.$c"; done
done
for c in backup AbC123 tmp-mine; do echo "$c" >"$CONF.$c" && echo "$c" >"$DATA/pixmaps.tab.$c"; done
SUMS=$(cd "$HOME" && find . -type f | xargs -d '\n' md5sum)
for run in 1 2; do
    rm -f "$LOG"; "$BIN" & PID=$!
    wait_log "Next time update scheduled" && kill -s TERM "$PID" || fail "copies: start $run did not reach its event loop"
    ended_orderly "copies, start $run"
done
echo "$SUMS" | (cd "$HOME" && md5sum -c --quiet) || fail "a copy beside a data file changed or went"
echo "PASS: the user's copies beside the data files keep every byte over two starts"

home starting
"$BIN" & PID=$!
wait_log "" || fail "the program did not start its log"
kill -s TERM "$PID"
ended_orderly "SIGTERM while starting"
echo "PASS: SIGTERM while starting ends with status 0, no lock left"
cleanup
exit 0
