#!/bin/sh
# A to-do list file named after another data file ("todo.events.dat": its gadget would keep its properties in
# events.dat), planted in the data folder or brought by File > Restore... in the editor, each in a home of its
# own: it is refused, and after a clean end events.dat holds every byte it held.
# Usage (under xvfb-run): todo_names_test.sh path/to/quillane-reminder
set -u
ROOT=$(mktemp -d)
export ASAN_OPTIONS=detect_leaks=0
unset QT_QPA_PLATFORM
fail() { echo "FAIL: $ROW: $*"; kill -9 "$PID" 2>/dev/null; rm -rf "$ROOT"; exit 1; }
wait_log() { i=0; until grep -q "$1" "$LOG" 2>/dev/null; do [ $((i += 1)) -lt 300 ] || fail "not logged: $1"; sleep 0.1; done; }
# The visible window of the name, waited for at most $2 tenths of a second.
window() {
    i=0
    until W=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) && [ -n "$W" ]; do
        [ $((i += 1)) -lt "${2:-100}" ] || return 1; sleep 0.1
    done
    echo "$W"
}
LIST='{"Caption": "Shopping", "ToDos": {"eventsList": [], "version": 1}}'
for ROW in planted restored; do
    export HOME="$ROOT/$ROW"
    export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_RUNTIME_DIR="$HOME/run"
    DATA="$XDG_DATA_HOME/Quillane/Quillane Reminder" LOG="$XDG_DATA_HOME/Quillane/Quillane Reminder/log.dat"
    mkdir -p -m 700 "$XDG_RUNTIME_DIR" && mkdir -p "$DATA" "$XDG_CONFIG_HOME/Quillane" && cd "$HOME" || fail "no home"
    # Without the bar a second start opens the events editor.
    printf '[Properties]\ncreepingLineVisibilityOption=0\n' >"$XDG_CONFIG_HOME/Quillane/Quillane Reminder.conf"
    printf '{"Events": {"calendarsList": [], "eventsList": [], "version": "3.3.0"}}\n' | tee events.before >"$DATA/events.dat"
    [ $ROW = planted ] && printf '%s' "$LIST" >"$DATA/todo.events.dat"
    [ $ROW = restored ] && python3 -c "import struct, sys, zipfile
name, text = 'todo.events.dat'.encode('utf-16-be'), sys.argv[1].encode()
with zipfile.ZipFile('lists.qbf', 'w') as z:
    z.writestr('AppDataGadgets', b'\x01\x01' + struct.pack('>I', len(name)) + name + struct.pack('>I', len(text)) + text)
" "$LIST"
    "$1" & PID=$!
    wait_log "Next time update scheduled"
    if [ $ROW = restored ]; then
        "$1"
        # File > Restore..., again while the menu came too late for the key; Return also takes a completion.
        for i in 1 2 3 4 5; do
            E=$(window "Events Editor") && xdotool key --window "$E" alt+f && sleep 1 && xdotool key --window "$E" r
            D=$(window '^Restore$' 30) && break || xdotool key --window "$E" Escape
        done
        xdotool type --window "$D" lists.qbf
        for i in 1 2 3 4 5; do xdotool search --onlyvisible --name '^Restore$' | grep -qx "$D" && xdotool key --window "$D" Return && sleep 0.5; done
        wait_log "Restore: " && sleep 1 && B=$(window '^Restore$' 1) && xdotool key --window "$B" Return
    fi
    sleep 1
    TOLD=$(grep -h -m1 'todo.events.dat is not a to-do list\|Restore: Cannot restore' "$LOG") || fail "nothing refused"
    kill -s TERM "$PID" && wait "$PID" || fail "ended with status $?"
    cmp -s "$DATA/events.dat" events.before || fail "events.dat changed: $(head -c 100 "$DATA/events.dat" 2>&1)"
    echo "PASS: $ROW: events.dat kept every byte; ${TOLD#*= }"
done
rm -rf "$ROOT"
