#!/bin/sh
# The program on a desktop that comes up around it, as at log-on: openbox, the program, then trayer (a
# late tray and panel at the bar's edge), then a second instance of the program with its own bar.
# Usage (under xvfb-run with a 1280x800 screen): desktop_session_test.sh path/to/quillane-reminder path/to/libfaketime.so.1 [wm]
set -u
BIN=$1
ROOT=$(mktemp -d)
FAKETIME=$2
WM=${3:-openbox --sm-disable}
export ASAN_OPTIONS=detect_leaks=0:verify_asan_link_order=0 FAKETIME_DONT_FAKE_MONOTONIC=1
export FAKETIME_TIMESTAMP_FILE="$ROOT/faketime" FAKETIME_CACHE_DURATION=1 QR_CLOCK_POLL_MSECS=500
unset QT_QPA_PLATFORM # the session bus is the test's own (xvfb-run-noreset.sh)
PIDS=""
# The socket folder a killed program made outside $ROOT (its runtime folder's path was long): its lock names it.
remove_left_sockets() {
    local s
    find "$ROOT" -name '*.lock' -exec sed -n 's/^server //p' {} + 2>/dev/null | while IFS= read -r s; do
        case $s in "$ROOT"/*) ;; *) rm -f "$s" && rmdir "${s%/*}" ;; esac
    done
}
# libfaketime's shared memory, named after the process that made it, outlives a kill -9.
cleanup() { for p in $PIDS; do kill -9 "$p"; wait "$p"; rm -f "/dev/shm/faketime_shm_$p" "/dev/shm/sem.faketime_sem_$p"; done 2>/dev/null; remove_left_sockets; rm -rf "$ROOT"; }
# Every wait ends 210 s after the test's start (its X server and bus came first), 30 s before CTest's limit
# of 240 s, so that a failure names what it waited for and the cleanup still runs.
START=${QR_TEST_START:-$(date +%s)}
fail() { echo "FAIL after $(($(date +%s) - START)) s: $*"; cleanup; exit 1; }
# Runs the command every tenth of a second until it succeeds, at most $1 times.
# Its counters are local: an until_true inside the command must not end the outer one.
until_true() { local n=$1 i=0; shift; while ! "$@"; do i=$((i + 1)); [ $i -lt "$n" ] && [ $(($(date +%s) - START)) -lt 210 ] || return 1; sleep 0.1; done; }
# A call that blocks (a window server held by another client, a second start) ends with the waits, which fail by name.
bounded() { local left=$((210 - $(date +%s) + START)); timeout $((left > 1 ? left : 1)) "$@"; }
xdotool() { bounded xdotool "$@"; }; xprop() { bounded xprop "$@"; }; xwininfo() { bounded xwininfo "$@"; }
listed() { xprop -root _NET_CLIENT_LIST 2>/dev/null | grep -qw "$(printf '0x%x' "$1")"; }
geometry() { xwininfo -id "$1" 2>/dev/null | awk '/Absolute upper-left Y/ {y = $NF} /Height:/ {h = $NF} END {print y, h}'; }
work_area() { xprop -root _NET_WORKAREA | sed 's/.*= //' | tr -d , | cut -d' ' -f2,4; }
at_bottom() { set -- $(geometry "$1"); [ $(($1 + $2)) = 800 ]; }
beside() { set -- $(geometry "$1") $(geometry "$2"); [ $(($1 + $2)) = "$3" ]; }
iconic() { xprop -id "$1" WM_STATE 2>/dev/null | grep -q Iconic; }
shown_active() { ! iconic "$1" && [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
# Asked again while not done: the window manager may still be busy with the window's first showing.
minimise() { iconic "$1" || { xdotool windowminimize "$1"; iconic "$1"; }; }
# The first window of process $1 that the window manager lists and that matches the test $2.
window_of() { for w in $(xdotool search --pid "$1" 2>/dev/null); do listed "$w" && $2 "$w" && echo "$w" && return 0; done; return 1; }
is_dock() { xprop -id "$1" _NET_WM_WINDOW_TYPE | grep -q _NET_WM_WINDOW_TYPE_DOCK; }
is_editor() { [ "$(xdotool getwindowname "$1")" = "Events Editor" ]; }
# Its whole frame, title bar included, lies in the work area.
frame_inside() {
    set -- $(geometry "$1") $(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //' | tr -d ,) $(work_area)
    [ $# = 8 ] && [ $(($1 - $5)) -ge "$7" ] && [ $(($1 + $2 + $6)) -le $(($7 + $8)) ]
}
click_twice() { xdotool mousemove --window "$1" 5 5 click --repeat 2 --delay 100 1; }
# A search while the window manager reparents a window may find it twice.
named() { xdotool search --all --onlyvisible --pid "$A" --name "^$1\$" 2>/dev/null | sort -u; }
appears() { [ -n "$(named "$1")" ]; }
unmanaged_no_tooltip() { for w in $(xdotool search --onlyvisible --pid "$A" 2>/dev/null); do xwininfo -id "$w" 2>/dev/null | grep -q "Redirect State: yes" && ! xprop -id "$w" _NET_WM_WINDOW_TYPE | grep -q TOOLTIP && echo "$w"; done; }
menu_open() { unmanaged_no_tooltip | grep -qvxF "$OLD"; }
# CLICKS tells how many right-clicks the menu needed: the program should answer the first.
click_until_menu() { menu_open || { CLICKS=$((CLICKS + 1)); xdotool mousemove --window "$ICON" 5 5 click 3; until_true 20 menu_open; }; }
tray_entry() {
    OLD=$(unmanaged_no_tooltip) CLICKS=0
    until_true 5 click_until_menu && echo "tray menu for '$1' after $CLICKS right-click(s)" && xdotool key "$1"
}
start_program() {
    mkdir -p "$ROOT/$1/run" && chmod 700 "$ROOT/$1/run"
    HOME="$ROOT/$1" XDG_RUNTIME_DIR="$ROOT/$1/run" LD_PRELOAD="$FAKETIME" "$BIN" >/dev/null 2>&1 & LAST=$! && PIDS="$PIDS $LAST"
}

# Openbox announces itself before it handles map requests, and may drop one while it starts: show a
# probe anew until one is managed. On a loaded machine a probe may take seconds to make its window: it is
# given up only once that window is there and stays unmanaged.
# Fluxbox's own toolbar would hold the tray and the bottom edge; its wallpaper setter can leave a message window.
mkdir "$ROOT/.fluxbox" && printf 'session.screen0.toolbar.%s\n' "visible: false" "tools: clock" >"$ROOT/.fluxbox/init" &&
    echo 'background: unset' >"$ROOT/.fluxbox/overlay"
HOME="$ROOT" $WM >"$ROOT/wm.log" 2>&1 & PIDS="$PIDS $!"
until_true 200 eval 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' || fail "no $WM: $(cat "$ROOT/wm.log")"
n=0
until xmessage probe >/dev/null 2>&1 & PROBE=$! && until_true 300 eval 'xdotool search --name "^xmessage\$"' >/dev/null &&
    until_true 30 eval 'xprop -root _NET_CLIENT_LIST | grep -q 0x'; do
    kill "$PROBE"; n=$((n + 1)); [ $n -lt 20 ] || fail "$WM manages no window"
done
kill "$PROBE"

mkdir -p "$ROOT/a/.local/share/Quillane/Quillane Reminder"
# The file holds local wall time.
echo '{"Events": {"version": "3.3.0", "eventsList": [{"type": 0, "data": {"version": 1, "notifyMinutes": 0,
 "reminderEnabledKey": true, "abstract": {"version": 8, "id": "{00000000-0000-0000-0000-00000000d1a1}",
 "occurrence": {"data": {"step": 1, "version": 1}, "type": "once"}, "period": {"time": true, "version": 1,
 "begin": "'"$(date -d "+5 min" +%Y%m%dT%H%M00Z)"'"}}}}]}}' >"$ROOT/a/.local/share/Quillane/Quillane Reminder/events.dat"
start_program a
A=$LAST
until_true 600 window_of "$A" is_dock >/dev/null || fail "no bar"
BAR_A=$(window_of "$A" is_dock)
until_true 100 at_bottom "$BAR_A" || fail "the bar is not at the bottom edge"
# Of a fixed width: a panel that grows for the icon may stay narrow under a window manager that drops the request.
trayer --edge bottom --align right --widthtype pixel --width 24 --height 28 --SetDockType true \
    --SetPartialStrut true >/dev/null 2>&1 & TRAYER=$! && PIDS="$PIDS $TRAYER"
until_true 100 window_of "$TRAYER" true >/dev/null || fail "no trayer panel"
PANEL=$(window_of "$TRAYER" true)
until_true 100 eval "xwininfo -id $PANEL -tree | grep -q '\"quillane-reminder\"'" || fail "no tray icon in a late tray"
ICON=$(xwininfo -id "$PANEL" -tree | awk '/"quillane-reminder"/ {print $1; exit}')
until_true 50 beside "$BAR_A" "$PANEL" || fail "the bar is not beside the late panel: $(geometry "$BAR_A")"
# Clicks reach the icon only where it lies inside the panel.
span() { xwininfo -id "$1" | awk '/Absolute upper-left X/ {x = $NF} /Width:/ {w = $NF} END {print x, x + w}'; }
inside_panel() { set -- $(span "$ICON") $(span "$PANEL"); [ "$1" -ge "$3" ] && [ "$2" -le "$4" ]; }
until_true 50 inside_panel || fail "the tray icon lies outside its panel: $(span "$ICON") / $(span "$PANEL")"

click_twice "$ICON"
until_true 100 window_of "$A" is_editor >/dev/null || fail "no editor"
EDITOR=$(window_of "$A" is_editor)
until_true 100 shown_active "$EDITOR" || fail "the editor is not active"
until_true 50 frame_inside "$EDITOR" || fail "the editor's frame leaves the work area: $(geometry "$EDITOR")"
until_true 100 minimise "$EDITOR" || fail "the editor did not minimise"
click_twice "$ICON"
until_true 100 shown_active "$EDITOR" || fail "the minimised editor did not come back"
# A right click right after the double click: the menu opens, and stays open once the editor is back.
until_true 100 minimise "$EDITOR" && OLD=$(unmanaged_no_tooltip) &&
    xdotool mousemove --window "$ICON" 5 5 click --repeat 2 --delay 100 1 click 3 || fail "the editor did not minimise"
until_true 50 menu_open && ! iconic "$EDITOR" && menu_open || fail "no tray menu right after a double click"
xdotool key Escape && until_true 50 eval '! menu_open' || fail "the tray menu did not close"

# Two hours on; the reminder opens over the editor's Find dialog, and its Close button closes it.
xdotool key ctrl+f
until_true 100 appears Find || fail "no Find dialog"
new_window() { REMINDER=$(named "Quillane Reminder" | grep -vx "$BAR_A"); [ -n "$REMINDER" ]; }
# Another program's window keeps the keyboard while the reminder opens, and over its restore; a click gives it.
xterm -e sh -c "cat >'$ROOT/typed'" 2>/dev/null & XTERM=$! && PIDS="$PIDS $XTERM"
until_true 100 window_of "$XTERM" true >/dev/null && TYPING=$(window_of "$XTERM" true) || fail "no xterm"
xdotool windowactivate "$TYPING"; until_true 100 shown_active "$TYPING" || fail "the xterm is not active"
echo "+2h" >"$FAKETIME_TIMESTAMP_FILE"
until_true 300 new_window || fail "no reminder window"
xdotool type --delay 20 "keys while it opens" && xdotool key Return
until_true 50 grep -qx "keys while it opens" "$ROOT/typed" || fail "the opening reminder took the keyboard"
# A window the window manager does not manage yet takes a click without being given the keyboard.
until_true 100 listed "$REMINDER" || fail "the window manager does not list the reminder"
xdotool mousemove --window "$REMINDER" 20 20 click 1
until_true 50 shown_active "$REMINDER" || fail "a click left the reminder without the keyboard"
# Minimised, the reminder comes back where it was with the other windows: at a second start, from the tray.
PLACE=$(xwininfo -id "$REMINDER" | grep Absolute)
shown_again() { ! iconic "$1" && ! xprop -id "$1" _NET_WM_STATE | grep -q _NET_WM_STATE_HIDDEN && [ "$(xwininfo -id "$1" | grep Absolute)" = "$PLACE" ]; }
until_true 100 minimise "$REMINDER" || fail "the reminder did not minimise"
xdotool windowactivate "$TYPING"; until_true 100 shown_active "$TYPING" || fail "the xterm is not active"
bounded env HOME="$ROOT/a" XDG_RUNTIME_DIR="$ROOT/a/run" LD_PRELOAD="$FAKETIME" "$BIN" >/dev/null 2>&1
until_true 100 shown_again "$REMINDER" || fail "a second start left the reminder minimised"
xdotool type --delay 20 "keys for the xterm" && xdotool key Return
until_true 50 grep -qx "keys for the xterm" "$ROOT/typed" && [ "$(xdotool getactivewindow)" = "$TYPING" ] ||
    fail "the restored reminder took the keyboard: '$(cat "$ROOT/typed")' typed, $(xdotool getactivewindow) active"
kill "$XTERM"
until_true 100 minimise "$REMINDER" && click_twice "$ICON" || fail "the reminder did not minimise again"
until_true 100 shown_again "$REMINDER" || fail "the tray left the reminder minimised"
set -- $(xwininfo -id "$REMINDER" | awk '/Width:/ {w = $NF} /Height:/ {h = $NF} END {print w, h}')
xdotool mousemove --window "$REMINDER" $(($1 - 50)) $(($2 - 25)) click 1
until_true 50 eval "! xwininfo -id $REMINDER 2>/dev/null | grep -q IsViewable" || fail "the reminder's Close did nothing"
# About, minimised, comes back from the tray menu; a second start brings back the minimised windows.
tray_entry a || fail "no tray menu"
until_true 100 appears About && ABOUT=$(named About) || fail "no About"
until_true 100 minimise "$ABOUT" || fail "About did not minimise"
tray_entry a || fail "no tray menu while About is up"
until_true 100 shown_active "$ABOUT" || fail "the tray did not bring About back"
until_true 100 minimise "$ABOUT" && until_true 100 minimise "$EDITOR" || fail "not minimised"
bounded env HOME="$ROOT/a" XDG_RUNTIME_DIR="$ROOT/a/run" LD_PRELOAD="$FAKETIME" "$BIN" >/dev/null 2>&1
until_true 100 shown_active "$ABOUT" && ! iconic "$EDITOR" || fail "a second start left windows minimised"

kill "$TRAYER" && until_true 50 at_bottom "$BAR_A" || fail "a gap where the panel was: $(geometry "$BAR_A")"

start_program b
B=$LAST
until_true 600 window_of "$B" is_dock >/dev/null || fail "no second bar"
BAR_B=$(window_of "$B" is_dock)
until_true 200 eval 'beside "$BAR_B" "$BAR_A" && at_bottom "$BAR_A"' ||
    fail "the second bar is not on the first at the edge: $(geometry "$BAR_A") / $(geometry "$BAR_B")"
# Settled: nothing moves for a second, the first bar keeps the edge, both heights reserved at most.
SEEN="$(geometry "$BAR_A") $(geometry "$BAR_B")"
moved() { [ "$(geometry "$BAR_A") $(geometry "$BAR_B")" != "$SEEN" ]; }
! until_true 10 moved || fail "the bars still move: $SEEN"
at_bottom "$BAR_A" || fail "the first bar left the edge: $(geometry "$BAR_A")"
set -- $SEEN $(work_area)
[ $((800 - $6)) -le $(($2 + $4)) ] || fail "$((800 - $6)) px reserved"
kill "$A"
until_true 50 at_bottom "$BAR_B" || fail "the second bar did not return to the edge: $(geometry "$BAR_B")"
echo "tray icon $ICON, bars $SEEN, work area $(work_area)"
cleanup
