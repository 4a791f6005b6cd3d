#!/bin/sh
# Rebuilds the logo, the tray menu's icons and the desktop icons from drawappicons.cpp.
set -e
cd "$(dirname "$0")"
g++ -std=c++17 -fPIC drawappicons.cpp -o /tmp/qr-drawappicons $(pkg-config --cflags --libs Qt6Gui)
QT_QPA_PLATFORM=offscreen /tmp/qr-drawappicons ..
