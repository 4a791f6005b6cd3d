#!/bin/sh
# Starts the built program the way a user does, each time with a home of its own, under an X server:
# it stays up; a second start hands over "activate" and exits 1, also from another runtime folder or none
# (naming the holder of the data folder); the folders it makes are private; after kill -9 a new start becomes
# the instance, also one that waited for the killed one; of 20 simultaneous starts exactly one stays; as root
# with another user's home, or another user's folder in its own, it writes nothing; without a display it says
# so and exits 2.
# Usage (under xvfb-run): start_test.sh path/to/quillane-reminder
set -u
BIN=$1
ROOT=$(mktemp -d)
export HOME="$ROOT/home" XDG_CONFIG_HOME="$ROOT/home/.config" XDG_DATA_HOME="$ROOT/home/.local/share"
export XDG_RUNTIME_DIR="$ROOT/run" XDG_CACHE_HOME="$ROOT/home/.cache"
export ASAN_OPTIONS=detect_leaks=0
unset QT_QPA_PLATFORM
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
mkdir -m 755 "$HOME/.config"
LOG="$XDG_DATA_HOME/Quillane/Quillane Reminder/log.dat"
PIDS=""

# The socket folder a killed program made outside $ROOT (its runtime folder's path was long): its lock names it.
remove_left_sockets() {
    local s
    find "$ROOT" -name '*.lock' -exec sed -n 's/^server //p' {} + 2>/dev/null | while IFS= read -r s; do
        case $s in "$ROOT"/*) ;; *) rm -f "$s" && rmdir "${s%/*}" ;; esac
    done
}
cleanup() {
    for p in $PIDS; do kill -9 "$p" 2>/dev/null; done
    wait 2>/dev/null
    remove_left_sockets
    rm -rf "$ROOT" ${OWN:+"$OWN"}
}
fail() {
    echo "FAIL: $*"
    [ -f "$LOG" ] && { echo "--- log"; cat "$LOG"; }
    cleanup
    exit 1
}
# Waits until the log holds the text; the program writes it once its event loop runs.
wait_log() {
    local i=0
    while [ $i -lt 300 ]; do
        grep -q "$1" "$LOG" 2>/dev/null && return 0
        sleep 0.1
        i=$((i + 1))
    done
    return 1
}
alive() { kill -0 "$1" 2>/dev/null; }

"$BIN" & FIRST=$!
PIDS="$PIDS $FIRST"
wait_log "Next time update scheduled" || fail "the first start did not reach its event loop"
sleep 1
alive $FIRST || fail "the first start did not stay up"

"$BIN"
rc=$?
[ $rc -eq 1 ] || fail "a second start exited with $rc, not 1"
wait_log "Message received: activate" || fail "the first instance did not log the message"
alive $FIRST || fail "the first instance ended on the message"
echo "PASS: stays up; a second start exits 1 and the first logs the message"
# Folders the program made are its user's alone; the one that was there keeps its mode.
modes=$(cd "$HOME" && stat -c %a .config .local .local/share .local/share/Quillane \
    ".local/share/Quillane/Quillane Reminder" .config/Quillane .config/autostart | tr '\n' ' ')
[ "$modes" = "755 700 700 700 700 700 700 " ] || fail "folder modes: $modes"
# Another runtime folder or none ("su -", "sudo -u"): the data folder's lock finds the first start.
mkdir -m 700 "$ROOT/run2"
for run in "$ROOT/run2" ""; do
    # Qt makes a runtime folder of its own in the temporary folder when none is set: in the test's.
    out=$(XDG_RUNTIME_DIR=$run TMPDIR=$ROOT timeout -s KILL 60 "$BIN" 2>&1) # a second instance would stay
    rc=$?
    [ $rc -eq 1 ] || fail "a start with XDG_RUNTIME_DIR='$run' exited with $rc, not 1: $out"
    echo "$out" | grep -q "process $FIRST on $(uname -n)" || fail "no holder of the data folder told: $out"
done
alive $FIRST || fail "the first instance ended on a start with another runtime folder"
echo "PASS: folders made private; a start from another runtime folder or none hands over, naming the holder"

kill -9 $FIRST
wait $FIRST 2>/dev/null
rm -f "$LOG"
"$BIN" & NEXT=$!
PIDS="$PIDS $NEXT"
wait_log "Next time update scheduled" || fail "a start after kill -9 did not become the instance"
"$BIN"
rc=$?
[ $rc -eq 1 ] || fail "a start beside the new instance exited with $rc, not 1"
alive $NEXT || fail "the new instance did not stay up"
echo "PASS: after kill -9 a new start becomes the instance"

# A stopped instance makes a second start say so while it waits; killed then, it leaves that start its place.
kill -STOP $NEXT
"$BIN" & WAITING=$!
PIDS="$PIDS $WAITING"
timeout 30 xdotool search --all --sync --onlyvisible --pid $WAITING --name "^Quillane Reminder\$" >/dev/null ||
    fail "no box while waiting"
rm -f "$LOG"
kill -9 $NEXT
wait $NEXT 2>/dev/null
wait_log "Next time update scheduled" && alive $WAITING || fail "a waiting start did not take the place"
echo "PASS: a start waiting for a stopped instance says so, and takes the place once it is killed"
NEXT=$WAITING
kill -9 $NEXT
wait $NEXT 2>/dev/null

rm -f "$LOG"
MANY=""
n=0
while [ $n -lt 20 ]; do
    "$BIN" & MANY="$MANY $!"
    n=$((n + 1))
done
PIDS="$PIDS $MANY"
# The others hand over "activate" and exit within their 5 s; wait for them.
i=0
while [ $i -lt 600 ]; do
    left=0
    for p in $MANY; do alive "$p" && left=$((left + 1)); done
    [ $left -le 1 ] && break
    sleep 0.1
    i=$((i + 1))
done
sleep 1
left=0
for p in $MANY; do alive "$p" && left=$((left + 1)); done
[ $left -eq 1 ] || fail "$left of 20 simultaneous starts are running, not 1"
received=$(grep -c "Message received: activate" "$LOG")
echo "PASS: of 20 simultaneous starts one runs ($received messages received)"

# As root with another user's home ("sudo -E"), or with a folder in its home that another user made, it says so
# and leaves nothing there; as that user, links to root's files and a cache in a shared folder do not stop it, a
# root-owned file of its own does (in /tmp where the temporary folder is private: that user must reach them).
# Root pointed at a user's XDG folders not there yet is stopped too; that user, on a mount that shows its files as
# another user's, is not; read-only, it says that it cannot write there.
if [ "$(id -u)" -eq 0 ]; then
    U=$ROOT/u && mkdir -m 755 "$U" && setpriv --reuid=65534 --regid=65534 --clear-groups test -x "$U" || { U=$(mktemp -d /tmp/qr-start.XXXXXX); OWN=$U; }
    D=".local/share/Quillane/Quillane Reminder"
    mkdir -p "$U"/other/run "$U"/own/run "$U"/self/run "$U"/user/run "$U/own/.config/Quillane" "$U/user/$D" \
        "$U/fuse/$D" "$U"/fusehome "$U"/fresh "$U"/fonts "$U/theirs/$D" "$U/shm" && chmod 700 "$U"/*/run &&
        chmod 1777 "$U/shm" && chmod 755 "$U"
    ln -s /etc/passwd "$U/user/$D/holiday.png" && ln -s /usr/share "$U/user/$D/pictures"
    ln -s ../shm "$U/user/.cache" && cp "$XAUTHORITY" "$U/xauth" && touch "$U/theirs/$D/events.dat"
    chown -hR 65534:65534 "$U"/other "$U/own/.config/Quillane" "$U"/user "$U"/theirs "$U"/fuse "$U"/fresh "$U/xauth"
    chown 0:0 "$U/theirs/$D/events.dat"
    # A font folder no system cache knows: fontconfig writes a cache of its own into the starter's, as it does when
    # the system's is stale.
    printf '<fontconfig><cachedir prefix="xdg">fontconfig</cachedir><cachedir>/var/cache/fontconfig</cachedir>%s' \
        "<dir>/usr/share/fonts</dir><dir>$U/fonts</dir></fontconfig>" >"$U/fonts.conf"
    # That user may not reach the build (a clone in root's home): it starts a copy, with the libraries it links that
    # it cannot read.
    B=$BIN
    if ! setpriv --reuid=65534 --regid=65534 --clear-groups test -x "$BIN"; then
        mkdir "$U/bin" && cp "$BIN" "$U/bin/" && B=$U/bin/${BIN##*/}
        ldd "$BIN" | awk '$2 == "=>" && $3 ~ /^\// { print $3 }' | while IFS= read -r l; do
            setpriv --reuid=65534 --regid=65534 --clear-groups test -r "$l" || cp "$l" "$U/bin/"
        done
    fi
    FUSE="" nofuse="no /dev/fuse"
    # A chroot (/ no mount point) or an unprivileged container cannot make a mount namespace.
    [ -e /dev/fuse ] && ! unshare -m --propagation private true 2>"$U/unshare" &&
        nofuse="no mount namespace: $(cat "$U/unshare")"
    if [ "$nofuse" = "no /dev/fuse" ] && [ -e /dev/fuse ]; then # a killed test leaves no mount behind
        unshare -m --propagation private bindfs -f -u daemon -g daemon -p a+rwX "$U/fuse" "$U/fusehome" &
        FUSE=$! PIDS="$PIDS $!"
        timeout 30 sh -c "until nsenter -t $FUSE -m mountpoint -q '$U/fusehome'; do sleep 0.1; done" ||
            fail "no bindfs mount"
        nsenter -t $FUSE -m sh -c "mkdir '$U/ro' && mount -o bind,ro '$U/fusehome' '$U/ro'" || fail "no read-only mount"
    fi
    touch "$U/before"
    while read -r uid home cache run expect; do
        as="" ns="" xdg=""
        [ "$uid" -eq 0 ] || as="setpriv --reuid=$uid --regid=$uid --clear-groups"
        case $home in fusehome|ro) [ -n "$FUSE" ] && ns="nsenter -t $FUSE -m" || { echo "SKIP: $nofuse"; continue; } ;;
        self) [ "$cache" != - ] || xdg=$U/fresh ;; esac # root's own home, a user's folders not there yet
        $ns $as env HOME="$U/$home" XDG_CONFIG_HOME="${xdg:+$xdg/.config}" XDG_DATA_HOME="${xdg:+$xdg/.local/share}" \
            XDG_CACHE_HOME="${cache#-}" TMPDIR="$U/shm" XDG_RUNTIME_DIR="${run#-}" XAUTHORITY="$U/xauth" \
            FONTCONFIG_FILE="$U/fonts.conf" LD_LIBRARY_PATH="$U/bin" "$B" >"$U/said" 2>&1 </dev/null & p=$!
        PIDS="$PIDS $p"
        $ns timeout 30 sh -c "until grep -qs '$expect' '$U/said' '$U/$home/$D/log.dat'; do sleep 0.1; done" ||
            fail "$uid with $home, cache '$cache': not '$expect': $(cat "$U/said")"
        kill $p && wait $p
        # What the toolkit's libraries cache for themselves does not count; the cache folder's own does.
        [ "$expect" = "belongs to the user" ] && written=$(find "$U/$home" "$U/fresh" -mindepth 1 -newer "$U/before" \
            ! -path '*/.cache' ! -path '*/.cache/fontconfig*' ! -path '*/.cache/mesa_shader_cache*' \
            ! -path '*/.cache/qtshadercache*') && [ -n "$written" ] && fail "written beside another user's: $written"
    done <<ROWS
0 other - $U/other/run belongs to the user
0 own - $U/own/run belongs to the user
0 self - $U/self/run belongs to the user
0 self $U/fresh/.cache - belongs to the user
0 self $U/self/.cache $U/fresh/run belongs to the user
65534 user - - Next time update scheduled
65534 user $U/shm - Next time update scheduled
65534 fusehome - $U/user/run Next time update scheduled
65534 ro - $U/user/run cannot be created
65534 theirs - - belongs to the user
ROWS
    echo "PASS: another user's home or folders stop a start and keep what they hold; links and shared folders do not"
else
    echo "SKIP: a start with another user's home needs root"
fi

# Without a display, or with one that is not there: a message and status 2, not an abort.
for d in "" ":4077"; do
    out=$(DISPLAY=$d WAYLAND_DISPLAY="" "$BIN" 2>&1)
    rc=$?
    [ $rc -eq 2 ] || fail "with DISPLAY='$d' the start exited with $rc, not 2: $out"
    echo "$out" | grep -q "graphical display" || fail "with DISPLAY='$d' the start did not say why: $out"
done
echo "PASS: a start without a display says so and exits 2"
cleanup
exit 0
