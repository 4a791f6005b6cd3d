#!/usr/bin/env bash
# xvfb-run with -noreset added to the X server's arguments (-s): a server left without clients resets,
# and a program that connects meanwhile is refused (2 of 300 back-to-back connections here). Key repeat is
# put off too: a key that xdotool pressed into a window that went away repeats into the next program's
# window (a message box closed by itself, 1 start in about 20).
# The command gets a session bus of its own, ended with it and kept out of the runtime folder: a bus that
# starts by itself (dbus-x11) outlives the test and leaves its folder in the test's runtime folder.
# Usage: xvfb-run-noreset.sh path/to/xvfb-run [xvfb-run arguments] command...
set -u
# The test's start, before its X server and bus: scripts end their waits in time for CTest's limit from here.
export QR_TEST_START=$(date +%s)
real=$1
shift
args=()
while [ $# -gt 0 ]; do
  case "$1" in
  -s | --server-args) args+=("$1" "$2 -noreset -ardelay 100000"); shift 2 ;;
  --server-args=*) args+=("$1 -noreset -ardelay 100000"); shift ;;
  -a | -l | -h | --*) args+=("$1"); shift ;;
  -*) args+=("$1" "$2"); shift 2 ;;
  *) break ;;
  esac
done
bus=(env DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/no-session-bus)
if command -v dbus-run-session >/dev/null; then
  bus=(env -u XDG_RUNTIME_DIR dbus-run-session -- env)
  [ -n "${XDG_RUNTIME_DIR:-}" ] && bus+=("XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR")
fi
exec "$real" "${args[@]}" "${bus[@]}" "$@"
