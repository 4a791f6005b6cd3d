#!/bin/sh
# The built program on a desktop that comes up around it, as at log-on: openbox, then the program
# with no tray, then trayer (a tray that is a panel at the bar's edge too). The tray icon must come,
# the bar must stand beside the panel and go back to the edge when it closes, a minimised editor must
# come back on the icon's double click, and a second instance's bar must settle beside the first
# within a second and return to the edge when the first one exits.
# Usage (under xvfb-run with a 1280x800 screen): desktop_session_test.sh path/to/quillane-reminder
set -u
BIN=$1
ROOT=$(mktemp -d)
export ASAN_OPTIONS=detect_leaks=0
unset QT_QPA_PLATFORM DBUS_SESSION_BUS_ADDRESS
PIDS=""

cleanup() {
    for p in $PIDS; do kill -9 "$p" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$ROOT"
}
fail() {
    echo "FAIL: $*"
    for l in "$ROOT"/*/home/.local/share/*/*/log.dat; do [ -f "$l" ] && { echo "--- $l"; tail -n 20 "$l"; }; done
    cleanup
    exit 1
}
# Runs the command every tenth of a second until it succeeds, for at most $1 tenths.
until_true() {
    n=$1
    shift
    i=0
    while ! "$@"; do
        i=$((i + 1))
        [ $i -ge "$n" ] && return 1
        sleep 0.1
    done
    return 0
}
listed() { xprop -root _NET_CLIENT_LIST 2>/dev/null | grep -qw "$(printf '0x%x' "$1")"; }
geometry() { xwininfo -id "$1" 2>/dev/null | awk '/Absolute upper-left Y/ {y = $NF} /Height:/ {h = $NF} END {print y, h}'; }
bottom_of() { set -- $(geometry "$1"); echo $(($1 + $2)); }
top_of() { set -- $(geometry "$1"); echo "$1"; }
height_of() { set -- $(geometry "$1"); echo "$2"; }
# The dock window of a program, by its process.
dock_of() {
    for w in $(xdotool search --pid "$1" 2>/dev/null); do
        case "$(xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null)" in
        *_NET_WM_WINDOW_TYPE_DOCK*) echo "$w"; return 0 ;;
        esac
    done
    return 1
}
start_program() {
    H="$ROOT/$1/home"
    mkdir -p "$H" "$ROOT/$1/run"
    chmod 700 "$ROOT/$1/run"
    HOME="$H" XDG_CONFIG_HOME="$H/.config" XDG_DATA_HOME="$H/.local/share" XDG_CACHE_HOME="$H/.cache" \
        XDG_RUNTIME_DIR="$ROOT/$1/run" "$BIN" >/dev/null 2>&1 &
    PIDS="$PIDS $!"
    LAST=$!
}
at_bottom() { [ "$(bottom_of "$1")" = 800 ]; }
beside() { [ "$(bottom_of "$1")" = "$(top_of "$2")" ]; }
click_twice() {
    set -- $(xwininfo -id "$1" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF} END {print x + 5, y + 5}')
    xdotool mousemove "$1" "$2" click --repeat 2 --delay 100 1
}
iconic() { xprop -id "$1" WM_STATE 2>/dev/null | grep -q Iconic; }
shown_active() { ! iconic "$1" && [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }

# Openbox announces itself before it handles map requests: wait until it manages a first window.
openbox --sm-disable >"$ROOT/openbox.log" 2>&1 & PIDS="$PIDS $!"
until_true 200 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
    fail "openbox did not start on $DISPLAY: $(cat "$ROOT/openbox.log")"
# It may drop a map request while it starts: show the probe anew until one is managed.
n=0
while :; do
    xmessage -name probe probe >/dev/null 2>&1 & PROBE=$!
    PIDS="$PIDS $PROBE"
    until_true 10 sh -c 'xprop -root _NET_CLIENT_LIST | grep -q 0x' && break
    kill "$PROBE"
    n=$((n + 1))
    [ $n -lt 20 ] || fail "openbox manages no window"
done
kill "$PROBE"
until_true 100 sh -c '! xprop -root _NET_CLIENT_LIST | grep -q 0x' || fail "the probe window stays"

start_program a
A=$LAST
until_true 600 dock_of "$A" >/dev/null || fail "no bar"
BAR_A=$(dock_of "$A")
until_true 100 listed "$BAR_A" || fail "the bar is not managed"
until_true 100 at_bottom "$BAR_A" || fail "the bar is not at the bottom edge"

# A tray and panel at the bar's edge, later than the program.
trayer --edge bottom --align right --widthtype request --height 28 --SetDockType true --SetPartialStrut true \
    >/dev/null 2>&1 & PIDS="$PIDS $!"
TRAYER=$!
trayer_panel() {
    for w in $(xdotool search --name '^panel$' 2>/dev/null); do
        xprop -id "$w" WM_CLASS 2>/dev/null | grep -q trayer && { echo "$w"; return 0; }
    done
    return 1
}
until_true 100 trayer_panel >/dev/null || fail "no trayer panel"
PANEL=$(trayer_panel)
until_true 100 sh -c "xwininfo -id $PANEL -tree | grep -q '\"quillane-reminder\"'" || fail "no tray icon in a late tray"
ICON=$(xwininfo -id "$PANEL" -tree | awk '/"quillane-reminder"/ {print $1; exit}')
until_true 50 beside "$BAR_A" "$PANEL" || fail "the bar is not beside the late panel: $(geometry "$BAR_A") $(xprop -root _NET_CLIENT_LIST) $(xwininfo -id "$PANEL" | grep -E "Map State|Absolute|Width|Height" | tr -s " \n" " ")"

# The editor from the icon's double click; minimised, the same brings it back.
click_twice "$ICON"
# The editor's window is the one the window manager lists (Qt keeps others of the same name unmapped).
editor_of() {
    for w in $(xdotool search --pid "$1" 2>/dev/null); do
        listed "$w" && [ "$(xdotool getwindowname "$w")" = "Events Editor" ] && { echo "$w"; return 0; }
    done
    return 1
}
until_true 100 editor_of "$A" >/dev/null || fail "no editor"
EDITOR=$(editor_of "$A")
until_true 100 shown_active "$EDITOR" || fail "the editor is not active"
# Its whole frame, title bar included, lies in the work area.
frame_inside() {
    set -- $(geometry "$1") $(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //' | tr -d ,) \
        $(xprop -root _NET_WORKAREA | sed 's/.*= //' | tr -d , | cut -d' ' -f2,4)
    [ $# = 8 ] && [ $(($1 - $5)) -ge "$7" ] && [ $(($1 + $2 + $6)) -le $(($7 + $8)) ]
}
until_true 50 frame_inside "$EDITOR" || fail "the editor's frame leaves the work area: $(geometry "$EDITOR")"
# Asked again while not done: the window manager may still be busy with the window's first showing.
minimise() { iconic "$1" || { xdotool windowminimize "$1"; iconic "$1"; }; }
until_true 100 minimise "$EDITOR" || fail "the editor did not minimise"
click_twice "$ICON"
until_true 100 shown_active "$EDITOR" || fail "the minimised editor did not come back"

# The panel closes: the bar goes back to the edge.
kill "$TRAYER"
until_true 50 at_bottom "$BAR_A" || fail "a gap where the panel was: $(geometry "$BAR_A")"

# A second instance's bar: beside the first, still within a second, both heights reserved at most.
start_program b
B=$LAST
until_true 600 dock_of "$B" >/dev/null || fail "no second bar"
BAR_B=$(dock_of "$B")
until_true 100 beside "$BAR_B" "$BAR_A" || fail "the bars overlap: $(geometry "$BAR_A") / $(geometry "$BAR_B")"
SEEN="$(geometry "$BAR_A") $(geometry "$BAR_B")"
i=0
while [ $i -lt 10 ]; do
    sleep 0.1
    [ "$(geometry "$BAR_A") $(geometry "$BAR_B")" = "$SEEN" ] || fail "the bars still move: $SEEN"
    i=$((i + 1))
done
at_bottom "$BAR_A" || fail "the first bar left the edge: $(geometry "$BAR_A")"
RESERVED=$((800 - $(xprop -root _NET_WORKAREA | sed 's/.*= //' | cut -d, -f4 | tr -d ' ')))
[ "$RESERVED" -le $(($(height_of "$BAR_A") + $(height_of "$BAR_B"))) ] || fail "$RESERVED px reserved"
[ -n "${QR_SESSION_LOG:-}" ] && cat "$ROOT"/a/home/.local/share/*/*/log.dat
kill "$A"
until_true 50 at_bottom "$BAR_B" || fail "the second bar did not return to the edge: $(geometry "$BAR_B")"
echo "tray icon $ICON, bars $SEEN, $RESERVED px reserved"
cleanup
exit 0
