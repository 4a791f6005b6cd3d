#!/usr/bin/env bash
# xvfb-run with -noreset added to the X server's arguments (-s): a server left without clients resets,
# and a program that connects meanwhile is refused (2 of 300 back-to-back connections here). Key repeat is
# put off too: a key that xdotool pressed into a window that went away repeats into the next program's
# window (a message box closed by itself, 1 start in about 20).
# Usage: xvfb-run-noreset.sh path/to/xvfb-run [xvfb-run arguments] command...
set -u
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
exec "$real" "${args[@]}" "$@"
