#!/bin/sh
# A FIFO or folder in place of one of the program's files, each in a home of its own: the program tells of
# it in a box (answered here), reaches its event loop and ends on SIGTERM with status 0.
# A to-do list named after events.dat (planted or restored in the editor) or linked to it is refused.
# A link to events.dat at the place of a file the program keeps for itself is replaced, never written through.
# Usage (under xvfb-run): fifo_test.sh path/to/quillane-reminder
set -u
ROOT=$(mktemp -d)
export ASAN_OPTIONS=detect_leaks=0
unset QT_QPA_PLATFORM
# The socket folder a killed program made outside $ROOT (its runtime folder's path was long): its lock names it.
remove_left_sockets() {
    local s
    find "$ROOT" -name '*.lock' -exec sed -n 's/^server //p' {} + 2>/dev/null | while IFS= read -r s; do
        case $s in "$ROOT"/*) ;; *) rm -f "$s" && rmdir "${s%/*}" ;; esac
    done
}
fail() {
    echo "FAIL: $ROW: $*"; tail -n 15 "$DATA/log.dat"
    kill -9 "$PID" 2>/dev/null; wait "$PID" 2>/dev/null; remove_left_sockets; rm -rf "$ROOT"; exit 1
}
until_true() { local n=$1 j=0; shift; while ! "$@"; do [ $((j += 1)) -lt "$n" ] || return 1; sleep 0.1; done; }
window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 | grep .; }
taken() { grep -q "Restore: " "$DATA/log.dat" || ! xdotool search --onlyvisible --name '^Restore$' | grep -qx "$D"; }
# File > Restore..., again while the menu came too late for the key; then the name, typed anew while the
# dialog lost it. Return also takes a completion.
open_restore() { xdotool key --window "$E" alt+f && sleep 1 && xdotool key --window "$E" r && D=$(until_true 50 window '^Restore$') || ! xdotool key --window "$E" Escape; }
restore_file() {
    local n
    xdotool key --window "$D" ctrl+a && xdotool type --window "$D" lists.qbf
    for n in 1 2 3; do taken || { xdotool key --window "$D" Return && until_true 50 taken; }; done
}
LIST='{"Caption": "Shopping", "ToDos": {"eventsList": [], "version": 1}}'
UID_='{0a1b2c3d-0000-4000-8000-00000000000a}'
for ROW in fifo:events.dat fifo:customtypes.dat fifo:typesorder.dat fifo:stat.dat fifo:.restore-journal \
           fifo:pixmaps.dat fifo:CONF dir:events.dat dir:CONF todo:planted todo:restored todo:linked \
           link:prop.dat link:gdtctrl.dat "link:$UID_.dat" link:stat.dat link:sysinfo.dat link:log.dat; do
    export HOME="$ROOT/$(echo "$ROW" | tr ':.' '__')"
    export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_RUNTIME_DIR="$HOME/run" \
           XDG_CACHE_HOME="$HOME/.cache"
    DATA="$XDG_DATA_HOME/Quillane/Quillane Reminder" TARGET="$XDG_CONFIG_HOME/Quillane/Quillane Reminder.conf"
    mkdir -p -m 700 "$XDG_RUNTIME_DIR" && mkdir -p "$DATA" "$XDG_CONFIG_HOME/Quillane"
    [ "${ROW#*:}" = CONF ] || TARGET="$DATA/${ROW#*:}"
    if [ "${ROW%%:*}" = fifo ]; then mkfifo "$TARGET"; elif [ "${ROW%%:*}" = dir ]; then mkdir "$TARGET"; else
        cd "$HOME" && printf '[Properties]\ncreepingLineVisibilityOption=0\n' >"$XDG_CONFIG_HOME/Quillane/Quillane Reminder.conf"
        echo '{"Events": {"calendarsList": [], "eventsList": [], "version": "3.3.0"}}' | tee events.before >"$DATA/events.dat"
        [ "$ROW" = todo:planted ] && printf %s "$LIST" >"$DATA/todo.events.dat"
        [ "$ROW" = todo:linked ] && ln -s events.dat "$DATA/todo.$UID_.dat"
        [ "${ROW%%:*}" = link ] && ln -s events.dat "$TARGET" && printf %s "$LIST" >"$DATA/todo.$UID_.dat" # a gadget
        # The list packed to restore: format 1, one file; the length and UTF-16 text of its name, then of its text.
        { printf '\1\1\0\0\0\36'; printf todo.events.dat | iconv -t UTF-16BE; printf '\0\0\0\102%s' "$LIST"; } \
            >AppDataGadgets && python3 -m zipfile -c lists.qbf AppDataGadgets || fail "no archive"
    fi
    "$1" & PID=$!
    i=0 TOLD=0
    [ "${ROW%%:*}" = todo ] || [ "${ROW%%:*}" = link ] && TOLD=1 # in the log, below
    until [ $TOLD -gt 0 ] && grep -q "Next time update scheduled" "$DATA/log.dat" 2>/dev/null; do
        kill -0 "$PID" 2>/dev/null || fail "the program ended while starting"
        [ $((i += 1)) -lt 1200 ] || fail "no event loop reached, or nothing told ($TOLD)"
        BOX=$(xdotool search --onlyvisible --name 'Data Error' 2>/dev/null | head -1)
        [ -n "$BOX" ] && { xdotool key --window "$BOX" Return 2>/dev/null; TOLD=$((TOLD + 1)); }
        sleep 0.1
    done
    if [ "$ROW" = todo:restored ]; then
        "$1" # with no bar (see its setting above), a second start opens the events editor
        RC=$? && [ $RC -eq 1 ] || fail "a second start ended with status $RC, not 1"
        E=$(until_true 1200 window "Events Editor") || fail "no events editor"
        until_true 10 open_restore || fail "no Restore dialog"
        until_true 10 restore_file || fail "the Restore dialog did not take the file"
        until_true 1200 grep -q "Restore: " "$DATA/log.dat" || fail "nothing restored"
        # Qt gives keys to its active window: a Return meant for the dialog may have answered the box already.
        until_true 50 eval 'xdotool key --window "$(window "^Restore$")" Return'
    fi
    # Until the file is written: through the link into events.dat, or in place of the link.
    [ "${ROW%%:*}" != link ] || until_true 1200 eval '! cmp -s "$DATA/events.dat" events.before || ! [ -L "$TARGET" ]' ||
        fail "not written"
    [ "${ROW%%:*}" != todo ] || until_true 1200 grep -q 'not a to-do list\|Restore: Cannot' "$DATA/log.dat" ||
        fail "nothing refused"
    kill -s TERM "$PID" && i=0
    while kill -0 "$PID" 2>/dev/null; do [ $((i += 1)) -lt 600 ] || fail "still running 60 s after SIGTERM"; sleep 0.1; done
    wait "$PID" || fail "ended with status $?"
    [ "${ROW%%:*}" != todo ] && [ "${ROW%%:*}" != link ] || cmp -s "$DATA/events.dat" events.before ||
        fail "events.dat changed"
    [ "${ROW%%:*}" != link ] || ! ls "$DATA" | grep -q '\.bak' || fail "copied aside: $(ls "$DATA")"
    echo "PASS: $ROW: told, started, ended on SIGTERM with status 0"
done
rm -rf "$ROOT"
