#!/bin/sh
# One pass under a window manager: the bar docks at the edge of its work area (a panel of its own has no strut);
# three reminders open above the welcome gadget while an xterm keeps the keyboard; a click gives one the
# keyboard, and after its Snooze the keys go back to the xterm. (Under xvfb-run with a 1280x800 screen.)
set -u
# The runtime folder, where i3 and the program put their sockets, lies under TMPDIR where the longest of them (the
# program's, 47 bytes below TMPDIR) fits in a socket's 107 bytes, else in /tmp.
BIN=$1 FAKETIME=$2 WM=$3 ROOT=$(mktemp -d) PIDS="" TMP=${TMPDIR:-/tmp}
[ ${#TMP} -le 60 ] || TMP=/tmp
RUN=$(mktemp -d "$TMP/qr-wm.XXXXXX")
unset QT_QPA_PLATFORM
export ASAN_OPTIONS=detect_leaks=0:verify_asan_link_order=0 FAKETIME_DONT_FAKE_MONOTONIC=1 HOME="$ROOT"
export FAKETIME_TIMESTAMP_FILE="$ROOT/faketime" FAKETIME_CACHE_DURATION=1 QR_CLOCK_POLL_MSECS=500
export XDG_RUNTIME_DIR="$RUN" XDG_CONFIG_HOME="$ROOT/.config"
# libfaketime's shared memory, named after the process that made it, outlives a kill -9.
cleanup() { for p in $PIDS; do kill -9 "$p"; wait "$p"; rm -f "/dev/shm/faketime_shm_$p" "/dev/shm/sem.faketime_sem_$p"; done 2>/dev/null; rm -rf "$ROOT" "$RUN"; }
fail() { echo "FAIL ($WM): $*"; cleanup; exit 1; }
trap 'fail "stopped"' HUP INT TERM
# CTest kills a test at its limit with all its processes at once: a watcher outside them removes a folder in /tmp once
# the last of them, which all hold the pipe open, is gone.
if [ "$TMP" = /tmp ]; then
    mkfifo "$ROOT/alive"
    (setsid sh -c 'cat "$1"; rm -rf "$2"' sh "$ROOT/alive" "$RUN" </dev/null >/dev/null 2>&1 &)
    exec 4>"$ROOT/alive"
fi
# Waits, and calls that block (a window server held by another client), end 20 s before CTest's limit of 120 s.
START=${QR_TEST_START:-$(date +%s)}
until_true() { local n=$1 i=0; shift; while ! "$@"; do i=$((i + 1)); [ $i -lt "$n" ] && [ $(($(date +%s) - START)) -lt 100 ] || return 1; sleep 0.1; done; }
bounded() { local left=$((100 - $(date +%s) + START)); timeout $((left > 1 ? left : 1)) "$@"; }
xdotool() { bounded xdotool "$@"; }; xprop() { bounded xprop "$@"; }; xwininfo() { bounded xwininfo "$@"; }
listed() { xprop -root _NET_CLIENT_LIST 2>/dev/null | grep -qw "$(printf '0x%x' "$1")"; }
managed() { for w in $(xdotool search --pid "$1" 2>/dev/null); do listed "$w" && echo "$w" && return; done; false; }
named() { xdotool search --all --onlyvisible --pid "$APP" --name "^$1\$" 2>/dev/null | sort -n; }
reminders() { named "Quillane Reminder" | grep -vx "$BAR"; }
all_shown() { [ "$(reminders | wc -l)" = 3 ] && for w in $(reminders); do listed "$w" || return 1; done; }
bottom_of() { xwininfo -id "$1" | awk '/Absolute upper-left Y/ {y = $NF} /Height:/ {h = $NF} END {print y + h}'; }
work_bottom() { xprop -root _NET_WORKAREA | awk -F'[=,]' '{b = NF >= 5 ? $3 + $5 : 800} END {print b}'; }
parent_of() { echo $(($(xwininfo -id "$1" -children 2>/dev/null | awk '/Parent window id:/ {print $4}'))); }
# The place of a window's frame among the root's children, from the top of the stack.
depth() {
    local w=$1 p
    while p=$(parent_of "$w") && [ "$p" != "$ROOTWIN" ] && [ "$p" != 0 ]; do w=$p; done
    xwininfo -root -children | awk -v w="$(printf '0x%x' "$w")" '$1 == w {print NR}'
}
# Left, top, right and bottom of a window; a gadget placed elsewhere covers none.
edges() { xwininfo -id "$1" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF} /Width:/ {w = $NF}
    /Height:/ {h = $NF} END {print x, y, x + w, y + h}'; }
overlap() { set -- $(edges "$1") $(edges "$2"); [ "$1" -lt "$7" ] && [ "$5" -lt "$3" ] && [ "$2" -lt "$8" ] && [ "$6" -lt "$4" ]; }
under_gadget() { for w in $(reminders); do overlap "$w" "$GADGET" && [ "$(depth "$w")" -gt "$(depth "$GADGET")" ] && return; done; false; }
has_focus() { [ "$(xdotool getwindowfocus -f 2>/dev/null)" = "$1" ]; }
viewable() { xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }
menu_open() { for w in $(xdotool search --onlyvisible --pid "$APP"); do xwininfo -id "$w" | grep -q "Redirect State: yes" &&
    ! xprop -id "$w" | grep -q TOOLTIP && return; done; false; }
stacked() { xprop -root _NET_CLIENT_LIST_STACKING | tr -c '0-9a-fx\n' '\n' | grep -nx "$(printf '0x%x' "$1")" | cut -d: -f1; }
over_dialog() { for w in $(reminders); do [ "$(stacked "$w")" -gt "$(stacked "$DIALOG")" ] || return 1; done; }
# A click into a window's frame above it, false where it has none; i3 tells no extents (its title bars are 20 high).
click_frame() { [ "$WM" != bspwm ] && set -- "$(xprop -id "$1" _NET_FRAME_EXTENTS | awk -F', *' '/= / {t = $3; f = 1} END {print f ? t : 10}')" \
    $(xwininfo -id "$1" | awk '/Absolute upper-left [XY]/ {print $NF}') && [ "$1" -gt 0 ] && xdotool mousemove $(($2 + 20)) $(($3 - ($1 + 1) / 2)) click 1; }
# jwm's tray: a dock window of its own that it does not list.
tray() {
    local w clients
    clients="$(xprop -root _NET_CLIENT_LIST),"
    for w in $(xwininfo -root -children | awk '$1 ~ /^0x/ {print $1}'); do
        case $clients in *" $w,"*) continue ;; esac
        [ $((w)) != "$BAR" ] && xprop -id "$w" _NET_WM_WINDOW_TYPE | grep -q DOCK && viewable "$w" && echo "$w" && return
    done
    false
}
# The bar spans the screen on the edge of what the window manager keeps (jwm: on its tray), and reserves from its top
# to the desktop's bottom.
# The desktop may be higher than the monitor's mode for a while (a third argument).
strut_of() { xprop -id "$1" _NET_WM_STRUT_PARTIAL | awk -F', *' '{print $4}'; }
bar_docked() {
    local edge strut
    edge=$(($2 - 800 + KEPT)) strut=$(strut_of "$BAR")
    [ "$WM" != jwm ] || edge=$(t=$(tray) && edges "$t" | cut -d' ' -f2) || return
    set -- "$1" "${3:-$2}" $(edges "$BAR")
    [ $(($5 - $3)) = "$1" ] && [ "$6" = "$edge" ] && [ "$strut" = $(($2 - $4)) ]
}

case $WM in
i3) echo 'focus_follows_mouse no' >"$ROOT/i3.config" && set -- i3 -c "$ROOT/i3.config" ;;
# The rules of its sample configuration: it focuses new windows, floats dialogs and windows of a fixed size (the
# reminders), and gives them a title bar.
herbstluftwm) printf 'herbstclient %s\n' 'rule focus=on' "rule windowtype~'_NET_WM_WINDOW_TYPE_(DIALOG|UTILITY|SPLASH)' floating=on" \
    'rule fixedsize floating=on' 'attr theme.title_height 15' | sed '1i #!/bin/sh' >"$ROOT/hl" && chmod +x "$ROOT/hl" &&
    set -- herbstluftwm --autostart "$ROOT/hl" ;;
xfwm4) set -- xfwm4 --compositor=off ;;
# It does nothing without desktops; its socket goes with the runtime folder.
bspwm) printf '#!/bin/sh\nbspc monitor -d 1 2\n' >"$ROOT/bspwmrc" && chmod +x "$ROOT/bspwmrc" &&
    export BSPWM_SOCKET="$RUN/bspwm" && set -- bspwm -c "$ROOT/bspwmrc" ;;
# Its wallpaper setter, failing on a loaded machine, leaves a message window that outlives the test.
fluxbox) mkdir "$ROOT/.fluxbox" && echo 'background: unset' >"$ROOT/.fluxbox/overlay" && set -- fluxbox ;;
jwm) echo '<JWM><Include>/etc/jwm/system.jwmrc</Include><FocusModel>click</FocusModel></JWM>' >"$ROOT/.jwmrc" && set -- jwm ;;
*) set -- "$WM" ;;
esac
"$@" >"$ROOT/wm.log" 2>&1 & PIDS="$PIDS $!"
until_true 200 eval 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' || fail "$(cat "$ROOT/wm.log")"
[ "$WM" != herbstluftwm ] || until_true 100 eval '[ "$(bounded herbstclient attr theme.title_height)" = 15 ]' 2>/dev/null ||
    fail "herbstluftwm's settings not taken"
ROOTWIN=$(($(xwininfo -root | awk '/Window id:/ {print $4}')))
xterm -e sh -c "cat >'$ROOT/typed'" 2>/dev/null & XTERM=$! && PIDS="$PIDS $XTERM"
until_true 200 eval 'TYPING=$(managed $XTERM)' || fail "no xterm"
# The work area before the program reserves anything, once the window manager's panel is up.
case $WM in fluxbox | icewm) until_true 100 eval '[ "$(work_bottom)" -lt 800 ]' || fail "no panel" ;; esac
KEPT=$(work_bottom)

DATA="$ROOT/.local/share/Quillane/Quillane Reminder" AT=$(date -d "+5 min" +%Y%m%dT%H%M00Z) EVENTS=""
for n in 1 2 3; do
    EVENTS="$EVENTS${EVENTS:+,}"'{"type": 0, "data": {"version": 1, "notifyMinutes": 0, "reminderEnabledKey": true,
 "abstract": {"version": 8, "id": "{00000000-0000-0000-0000-00000000d1a'$n'}", "occurrence": {"data": {"step": 1,
 "version": 1}, "type": "once"}, "period": {"time": true, "version": 1, "begin": "'$AT'"}}}}'
done
mkdir -p "$DATA" && echo '{"Events": {"version": "3.3.0", "eventsList": ['"$EVENTS"']}}' >"$DATA/events.dat"
LD_PRELOAD="$FAKETIME" "$BIN" >/dev/null 2>&1 & APP=$! && PIDS="$PIDS $APP"
# Not every window manager lists the docks it keeps.
bar_shown() { for BAR in $(xdotool search --onlyvisible --pid "$APP"); do xprop -id "$BAR" | grep -q TYPE_DOCK && return; done; false; }
until_true 600 bar_shown || fail "no bar"
until_true 100 eval '[ "$(bottom_of "$BAR")" = "$KEPT" ]' || fail "the bar ends at $(bottom_of "$BAR"), not $KEPT"
until_true 300 eval 'GADGET=$(named "Widget Info") && [ -n "$GADGET" ]' || fail "no welcome gadget"
# The screen's size changed through RandR by one client, which Xvfb needs to keep a mode it was given.
mkfifo "$ROOT/sizes"
# A line "WxH" changes both at once; "WxH desktop" or "WxH mode" one of them.
/usr/bin/python3 -c 'import sys, Xlib.display
d = Xlib.display.Display(); root = d.screen().root; modes = {}
for line in sys.stdin:
    name, *step = line.split(); w, h = map(int, name.split("x")); size = (w, h, w // 4, h // 4)
    r = root.xrandr_get_screen_resources()
    if name not in modes:
        mode = dict(id=0, width=w, height=h, h_total=w, v_total=h, name_length=len(name) + 3, flags=0, dot_clock=0,
                    h_sync_start=0, h_sync_end=0, h_skew=0, v_sync_start=0, v_sync_end=0)
        modes[name] = root.xrandr_create_mode(mode, "qr-" + name).mode; d.xrandr_add_output_mode(r.outputs[0], modes[name])
    step == ["mode"] or (step or w > root.get_geometry().width) and root.xrandr_set_screen_size(*size)
    step == ["desktop"] or d.xrandr_set_crtc_config(r.crtcs[0], r.config_timestamp, 0, 0, modes[name], 1, r.outputs[:1])
    step or root.xrandr_set_screen_size(*size); d.sync()' <"$ROOT/sizes" & PIDS="$PIDS $!" && exec 3>"$ROOT/sizes"
# Display tools change the desktop's size and the monitor's mode apart, the desktop's first when it grows. jwm restarts
# itself after each change of the desktop's size, places its tray by the mode it saw then, and leaves the keyboard to
# no window. There the screen shrinks and grows twice: a tray the bar stood on must not keep it up after.
# Elsewhere the mode comes first when the screen shrinks, the desktop when it grows, the other once the bar stands on
# the mode's edge and reserves down to the desktop's.
resize() {
    local size=$1 grows old t mode desk
    old=$(xwininfo -root | awk '/geometry/ {print $2}' | cut -d+ -f1)
    grows=$((${size%x*} > ${old%x*})) mode=$size desk=$old
    [ "$grows" = 0 ] || mode=$old desk=$size
    case $WM in icewm | xfwm4 | herbstluftwm | bspwm) (echo "$size $([ "$grows" = 1 ] && echo desktop || echo mode)" >&3) &&
        until_true 100 bar_docked "${mode%x*}" "${mode#*x}" "${desk#*x}" ||
        fail "on $desk with the mode $mode the bar lies at $(edges "$BAR") with a strut of $(strut_of "$BAR")" ;; esac
    [ "$WM" = jwm ] || { (echo "$size" >&3); return; }
    old=$(tray)
    [ "$grows" = 1 ] || (echo "$size mode" >&3)
    (echo "$size desktop" >&3) && until_true 100 eval 't=$(tray) && [ "$t" != "$old" ]' || return
    [ "$grows" = 0 ] || (echo "$size mode" >&3)
}
SIZES="1024x640 1280x800" && [ "$WM" != jwm ] || SIZES="$SIZES $SIZES"
for size in $SIZES; do resize $size && until_true 50 eval 'xwininfo -root | grep -q "geometry $size+0+0"' &&
    until_true 100 bar_docked ${size%x*} ${size#*x} ||
    fail "at $size the bar lies at $(edges "$BAR") with a strut of $(strut_of "$BAR"), the tray at $(t=$(tray) && edges "$t")"; done
if [ "$(xprop -root _NET_NUMBER_OF_DESKTOPS | awk '{print $NF}')" -gt 1 ] 2>/dev/null; then
    xdotool set_desktop 1 && until_true 50 eval '! viewable $TYPING' && ! viewable "$BAR" && fail "no bar on desktop 2"
    xdotool set_desktop 0 && until_true 50 viewable "$TYPING" || fail "desktop 1 not back"
fi
# The settings dialog from the bar's menu, open while the reminders come.
xdotool mousemove --window "$BAR" 8 8 click 3 && until_true 50 menu_open || fail "no menu from the bar"
xdotool key s
until_true 100 eval 'DIALOG=$(named Settings) && [ -n "$DIALOG" ]' || fail "no settings dialog"

xdotool windowactivate "$TYPING" 2>/dev/null; until_true 100 has_focus "$TYPING" || fail "the xterm has no keyboard"
xdotool mousemove --window "$BAR" 8 8 click 1 && xdotool type --delay 20 "after the bar" && xdotool key Return
until_true 200 grep -qx "after the bar" "$ROOT/typed" ||
    fail "keys after a click on the bar went to $(xdotool getwindowfocus -f), not the xterm $TYPING: '$(cat "$ROOT/typed")'"
# The dialog holds the keyboard when they come, as after its opening, and the xterm has it back after; herbstluftwm's
# come while the xterm has it (its title-bar click below).
[ "$WM" = herbstluftwm ] || { xdotool windowactivate "$DIALOG"; until_true 100 has_focus "$DIALOG"; } 2>/dev/null ||
    fail "the settings dialog has no keyboard"
# The pointer rests in the screen's middle, where the reminders open.
xdotool mousemove 640 400 && echo "+2h" >"$FAKETIME_TIMESTAMP_FILE"
until_true 300 all_shown || fail "not three reminders: $(reminders)"
until_true 50 eval '! under_gadget' || fail "a reminder is under the gadget"
until_true 50 over_dialog || fail "a reminder is under the settings dialog"
[ "$WM" = herbstluftwm ] || { xdotool windowactivate "$TYPING"; until_true 100 has_focus "$TYPING"; } 2>/dev/null || fail "no keys back"
# herbstluftwm focuses every window it maps, and showed the newest reminder active while the xterm kept the keys: a
# click on that one's frame gives it the keyboard.
FRAMED="" && [ "$WM" != herbstluftwm ] || FRAMED=$(reminders | tail -1)
if [ -n "$FRAMED" ] && click_frame "$FRAMED"; then
    until_true 50 has_focus "$FRAMED" || fail "a click on the active reminder's frame left it without the keyboard"
    xdotool windowactivate "$TYPING" 2>/dev/null; until_true 100 has_focus "$TYPING" || fail "the xterm has no keyboard back"
fi
TOP=$(for w in $(reminders); do echo "$(depth "$w") $w"; done | sort -n | awk 'NR == 1 {print $2}')
xdotool mousemove --window "$TOP" 20 20 click 1
until_true 50 has_focus "$TOP" || fail "a click left the reminder without the keyboard"
# The Close button has the focus first; Tab leads to the minutes and then to Snooze.
xdotool key --delay 50 Tab 4 2 Tab space
# The window manager may hold the keyboard a moment before handing it on, and i3 moves it again once it has let go of
# the closed window: the keys go where they are once it has.
until_true 50 eval '! viewable $TOP && ! listed $TOP' || fail "Snooze did not close the reminder"
until_true 50 has_focus "$TYPING" || fail "the keyboard went to $(xdotool getwindowfocus -f) after Snooze, not the xterm"
xdotool type --delay 20 "after snooze" && xdotool key Return
until_true 50 grep -qx "after snooze" "$ROOT/typed" || fail "keys after Snooze went to $(xdotool getwindowfocus -f)"
# A click on a reminder's frame, in its title bar where it has one, gives it the keyboard too.
! click_frame "$(reminders | head -1)" || until_true 50 has_focus "$(reminders | head -1)" ||
    fail "a click on a reminder's frame left it without the keyboard"
cleanup
