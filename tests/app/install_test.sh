#!/bin/sh
# Installs the build into a temporary prefix and starts the installed program with a home of its own:
# it must find the sounds installed under the prefix, not those of the build tree.
# Usage: install_test.sh path/to/build-folder
set -u
BUILD=$1
ROOT=$(mktemp -d)
PREFIX="$ROOT/prefix"
cmake --install "$BUILD" --prefix "$PREFIX" >/dev/null || { echo "FAIL: install"; rm -rf "$ROOT"; exit 1; }
for f in bin/quillane-reminder share/applications/quillane-reminder.desktop \
         share/icons/hicolor/48x48/apps/quillane-reminder.png share/quillane-reminder/sounds/chime.wav; do
    [ -e "$PREFIX/$f" ] || { echo "FAIL: $f not installed"; rm -rf "$ROOT"; exit 1; }
done
export HOME="$ROOT/home" XDG_CONFIG_HOME="$ROOT/home/.config" XDG_DATA_HOME="$ROOT/home/.local/share"
# A short runtime folder, in the test's own where that one's path is short: under a long one the killed
# program would leave its socket's folder in /tmp.
XDG_RUNTIME_DIR=$ROOT/run
[ ${#ROOT} -le 64 ] || XDG_RUNTIME_DIR=$(mktemp -d /tmp/qr-run.XXXXXX)
export XDG_RUNTIME_DIR QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
mkdir -p "$HOME" && mkdir -p -m 700 "$XDG_RUNTIME_DIR"
LOG="$XDG_DATA_HOME/Quillane/Quillane Reminder/log.dat"
"$PREFIX/bin/quillane-reminder" & PID=$!
i=0
while [ $i -lt 300 ] && ! grep -q "Next time update scheduled" "$LOG" 2>/dev/null; do
    sleep 0.1
    i=$((i + 1))
done
kill -9 $PID 2>/dev/null
wait $PID 2>/dev/null
if grep -q "Sounds: 4 wave files in $PREFIX/share/quillane-reminder/sounds" "$LOG"; then
    echo "PASS: the installed program finds its sounds"
    rm -rf "$ROOT" "$XDG_RUNTIME_DIR"
    exit 0
fi
echo "FAIL: the installed program did not find its sounds"
cat "$LOG"
rm -rf "$ROOT" "$XDG_RUNTIME_DIR"
exit 1
