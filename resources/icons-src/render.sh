#!/bin/sh
# Rebuilds the PNG icons from drawicons.cpp.
set -e
cd "$(dirname "$0")"
g++ -std=c++17 -fPIC drawicons.cpp -o /tmp/qr-drawicons $(pkg-config --cflags --libs Qt6Gui)
QT_QPA_PLATFORM=offscreen /tmp/qr-drawicons ../Ostrevalder/icons
g++ -std=c++17 -fPIC drawwidgeticons.cpp -o /tmp/qr-drawwidgeticons $(pkg-config --cflags --libs Qt6Gui)
QT_QPA_PLATFORM=offscreen /tmp/qr-drawwidgeticons ../Ostrevalder/icons
g++ -std=c++17 -fPIC draweditoricons.cpp -o /tmp/qr-draweditoricons $(pkg-config --cflags --libs Qt6Gui)
QT_QPA_PLATFORM=offscreen /tmp/qr-draweditoricons ../Ostrevalder/icons
g++ -std=c++17 -fPIC drawgadgeticons.cpp -o /tmp/qr-drawgadgeticons $(pkg-config --cflags --libs Qt6Gui)
QT_QPA_PLATFORM=offscreen /tmp/qr-drawgadgeticons ../Ostrevalder/icons
g++ -std=c++17 -fPIC drawformicons.cpp -o /tmp/qr-drawformicons $(pkg-config --cflags --libs Qt6Gui)
QT_QPA_PLATFORM=offscreen /tmp/qr-drawformicons ../Ostrevalder/icons
