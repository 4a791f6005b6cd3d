#!/bin/sh
# How often the program wakes while idle, against a bare Qt tray program in the same X server over
# the same seconds. A thread that sleeps again after each wake-up counts one voluntary context switch,
# so the kernel's counters of every thread give the wake-ups without tracing.
# The program starts with a home of its own and no events, so nothing is due for hours. Given a
# folder (/etc), 20 files are made and removed there at the start of the seconds counted, as
# packages and services do, which a program watching the zone file must not mind.
# With BAR=hidden the bar is never shown. Xvfb starts the pointer at the screen's centre, where the
# welcome gadget of a first start appears: the pointer rests on it from the start, unmoved.
# Usage (under xvfb-run): [BAR=hidden] idle_wakeups.sh SECONDS path/to/quillane-reminder path/to/idletray [FOLDER]
set -u
SECONDS_IDLE=$1
BIN=$2
FLOOR=$3
CHURN=${4:-}
ROOT=$(mktemp -d)
export HOME="$ROOT/home" XDG_CONFIG_HOME="$ROOT/home/.config" XDG_DATA_HOME="$ROOT/home/.local/share"
export XDG_RUNTIME_DIR="$ROOT/run" XDG_CACHE_HOME="$ROOT/home/.cache"
export ASAN_OPTIONS=detect_leaks=0:verify_asan_link_order=0
unset QT_QPA_PLATFORM QR_CLOCK_POLL_MSECS
LOG="$XDG_DATA_HOME/Quillane/Quillane Reminder/log.dat"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
if [ "${BAR:-}" = hidden ]; then
    mkdir -p "$XDG_CONFIG_HOME/Quillane"
    printf '[Properties]\ncreepingLineVisibilityOption=0\n' >"$XDG_CONFIG_HOME/Quillane/Quillane Reminder.conf"
fi
PIDS=""

cleanup() {
    for p in $PIDS; do kill "$p" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$ROOT"
}
trap cleanup EXIT

# "tid name switches" for each thread of a process.
sample() {
    local task tid n
    for task in /proc/"$1"/task/*; do
        tid=${task##*/}
        n=$(awk '/^(non)?voluntary_ctxt_switches/ { s += $2 } END { print s }' "$task/status" 2>/dev/null)
        [ -n "$n" ] && echo "$tid $(tr ' ' '_' < "$task/comm") $n"
    done
}
report() {
    echo "$1:"
    join "$2" "$3" | awk -v secs="$SECONDS_IDLE" '
        { d = $5 - $3; total += d; printf "  %-20s %6.1f wake-ups a minute\n", $2, d * 60 / secs }
        END { printf "  %-20s %6.1f wake-ups a minute\n", "all threads", total * 60 / secs }'
}

trayer --expand false --width 5 >/dev/null 2>&1 & PIDS="$PIDS $!"
"$FLOOR" >/dev/null 2>&1 & FLOOR_PID=$!
PIDS="$PIDS $FLOOR_PID"
"$BIN" >/dev/null 2>&1 & PROGRAM=$!
PIDS="$PIDS $PROGRAM"
i=0
while ! grep -q "Next reminder update scheduled" "$LOG" 2>/dev/null; do
    i=$((i + 1))
    [ $i -lt 600 ] || { echo "the program did not reach its event loop"; exit 1; }
    sleep 0.1
done
# The start's own work (files written, the welcome gadget) settles first.
sleep 15
sample "$PROGRAM" | sort > "$ROOT/program.0"
sample "$FLOOR_PID" | sort > "$ROOT/floor.0"
if [ -n "$CHURN" ]; then
    for i in $(seq 20); do echo x > "$CHURN/.idle-wakeups-$$-$i"; done
    for i in $(seq 20); do rm -f "$CHURN/.idle-wakeups-$$-$i"; done
fi
sleep "$SECONDS_IDLE"
sample "$PROGRAM" | sort > "$ROOT/program.1"
sample "$FLOOR_PID" | sort > "$ROOT/floor.1"
echo "Idle for $SECONDS_IDLE s${CHURN:+, 20 files made and removed in $CHURN}:"
report "the program" "$ROOT/program.0" "$ROOT/program.1"
report "bare Qt tray program" "$ROOT/floor.0" "$ROOT/floor.1"
