#!/usr/bin/env bash
# Builds, runs and tests Quillane Reminder on Debian 12.
#   ./dev.sh run    install what is missing, build a release build, start the program
#   ./dev.sh test   install what is missing, build the test build, run every test
#   ./dev.sh bench  build the benchmark programs (release) and run them
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
  cmake g++ ninja-build ccache pkg-config
  qt6-base-dev qt6-5compat-dev qt6-multimedia-dev qt6-svg-dev qt6-tools-dev qt6-l10n-tools
  libquazip1-qt6-dev libgl-dev libx11-dev libxcb1-dev libxcb-render0-dev libuchardet-dev
)
# qt6-base-private-dev lets the widget inspector build its style-sheet rule selector.
TEST_PACKAGES=(xvfb xauth x11-utils clang-14 libclang-rt-14-dev libical-dev python3 python3-icalendar tzdata
  qt6-base-private-dev clang-format)
# The desktop and clock tests: window managers, a faked wall clock, a tray, tools to drive and read
# windows and to resize the screen, and the session bus most desktops have (dbus-run-session: each test runs
# with a bus of its own).
# The test build stops when one is missing rather than leave its tests out.
TEST_PACKAGES+=(openbox fluxbox faketime xdotool trayer xterm dbus-daemon python3-xlib bindfs)
# Window managers that keep a panel of their own, hand the keyboard on a click or stack a group's tool
# windows their own way, and a tiling one that keeps no work area.
TEST_PACKAGES+=(icewm i3-wm herbstluftwm xfwm4 metacity jwm bspwm)
BENCH_PACKAGES=(libbenchmark-dev libical-dev xvfb xauth valgrind dbus-daemon python3)

install_missing() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Build and test jobs: QR_JOBS when set (a shared machine), else one per core.
jobs() { echo "${QR_JOBS:-$(nproc 2>/dev/null || echo 2)}"; }

# Folders the script made for itself, removed again when it ends.
OWN_FOLDERS=()
own_folder() {
  local dir
  dir=$(mktemp -d "/tmp/$1.XXXXXX")
  chmod 700 "$dir"
  OWN_FOLDERS+=("$dir")
  trap 'rm -rf -- "${OWN_FOLDERS[@]}"' EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
}

# A runtime folder of our own when the session has none.
private_runtime_dir() {
  if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -w "${XDG_RUNTIME_DIR}" ]; then
    own_folder qr-runtime
    XDG_RUNTIME_DIR=${OWN_FOLDERS[-1]}
    export XDG_RUNTIME_DIR
  fi
}

cmd_run() {
  install_missing "${PACKAGES[@]}"
  cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQR_TESTS=OFF
  cmake --build build-release -j "$(jobs)"
  exec ./build-release/src/quillane-reminder "$@"
}

# The C++ files changed since the branch left its upstream (or since the last commit when it has none),
# uncommitted and new ones included, must be in the format of .clang-format.
check_format() {
  git rev-parse --is-inside-work-tree >/dev/null 2>&1 || return 0
  local base
  base=$(git merge-base HEAD '@{upstream}' 2>/dev/null || git rev-parse HEAD)
  local bad=()
  local f
  while IFS= read -r f; do
    [ -f "$f" ] || continue
    clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
  done < <({
    git diff --name-only --diff-filter=d "$base" -- '*.cpp' '*.h'
    git ls-files --others --exclude-standard -- '*.cpp' '*.h'
  } | sort -u)
  if [ ${#bad[@]} -ne 0 ]; then
    echo "Not in the project's format (.clang-format): ${bad[*]}" >&2
    echo "Format them with: clang-format -i ${bad[*]}" >&2
    return 1
  fi
}

# Whether a process has its working folder, an open file or a listening socket in the folder $1.
in_use() {
  [ -n "$(find /proc/[0-9]*/cwd /proc/[0-9]*/fd -maxdepth 1 \( -lname "$1" -o -lname "$1/*" \) -print -quit 2>/dev/null)" ] ||
    grep -qF " $1/" /proc/net/unix
}

# Whether the folder $1 is this user's, made since $2 (seconds) and not in use.
is_left() { [ -O "$1" ] && [ "$(stat -c %Y "$1")" -ge "$2" ] && ! in_use "$1"; }

# What the suite's tests left where CTest killed them at their time limit, under names of their own: this
# user's, made since the run began ($1, seconds) and no longer in use. libfaketime's shared memory, named after
# its process; the folders of the program's socket, of runtime folders and of X servers' locks in /tmp.
remove_left_by_tests() {
  local f pid
  for f in /dev/shm/faketime_shm_* /dev/shm/sem.faketime_sem_* /tmp/.X*-lock; do
    [ -O "$f" ] && [ "$(stat -c %Y "$f" 2>/dev/null)" -ge "$1" ] 2>/dev/null || continue
    case $f in /tmp/.X*) pid=$(tr -dc 0-9 <"$f") ;; *) pid=${f##*_} ;; esac
    [ -n "$pid" ] && [ ! -e "/proc/$pid" ] || continue
    rm -f -- "$f"
    case $f in /tmp/.X*) f=${f#/tmp/.X} && rm -f -- "/tmp/.X11-unix/X${f%-lock}" ;; esac
  done
  # A socket's folder is private and holds sockets and locks only.
  for f in /tmp/qr-?????? /dev/shm/qr-??????; do
    [ -d "$f" ] && [ "$(stat -c %a "$f")" = 700 ] || continue
    [ -z "$(find "$f" -mindepth 1 ! -type s ! -type d ! -name '*.lock' -print -quit)" ] || continue
    is_left "$f" "$1" && rm -rf -- "$f"
  done
  for f in /tmp/qr-wm.?????? /tmp/qr-run.?????? /tmp/qr-start.??????; do
    [ -d "$f" ] && is_left "$f" "$1" && rm -rf -- "$f"
  done
  return 0
}

cmd_test() {
  install_missing "${PACKAGES[@]}" "${TEST_PACKAGES[@]}"
  check_format
  private_runtime_dir
  cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQR_SANITIZE=ON -DQR_REQUIRE_DESKTOP_TESTS=ON
  cmake --build build-test -j "$(jobs)"
  # The tests' temporary files go into a folder of this run: what a test killed at its time limit leaves
  # goes with it.
  own_folder qr-tests
  local started rc=0
  started=$(date +%s)
  TMPDIR=${OWN_FOLDERS[-1]} ctest --test-dir build-test --output-on-failure -j "$(jobs)" || rc=$?
  remove_left_by_tests "$started"
  [ $rc -eq 0 ] || return $rc
  if [ -x fuzz/run-fuzzers.sh ]; then
    fuzz/run-fuzzers.sh
  fi
}

cmd_bench() {
  install_missing "${PACKAGES[@]}" "${BENCH_PACKAGES[@]}"
  cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQR_TESTS=OFF -DQR_BENCH=ON
  cmake --build build-bench -j "$(jobs)"
  # The bar, the start-up and the editor are measured on an X server, as users see them.
  local display=()
  if [ -z "${DISPLAY:-}" ]; then
    display=(xvfb-run -a -s "-screen 0 1920x1080x24")
  fi
  # With the session bus a desktop has: without one, every start of a tray program has the bus
  # library start a bus of its own, a fork of the whole process that no user's start pays.
  if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] && command -v dbus-run-session >/dev/null; then
    display=(dbus-run-session -- "${display[@]}")
  fi
  private_runtime_dir
  # AUTOMOC leaves bench_*_autogen folders beside the programs; run files only,
  # and let one failing program report itself without stopping the others.
  local failed=()
  own_folder qr-bench
  local out=${OWN_FOLDERS[-1]}/rows
  for b in build-bench/bench/bench_*; do
    [ -f "$b" ] && [ -x "$b" ] || continue
    "${display[@]}" "$b" | tee -a "$out" || failed+=("$(basename "$b")")
  done
  # The goals' table, gathered from the programs' GOAL rows.
  echo
  echo "| work | now | goal | |"
  echo "|---|---|---|---|"
  grep -h '^GOAL |' "$out" | sed 's/^GOAL //' || true
  if [ ${#failed[@]} -ne 0 ]; then
    echo "Benchmarks that failed: ${failed[*]}" >&2
    return 1
  fi
}

case "${1:-}" in
  run) shift; cmd_run "$@" ;;
  test) shift; cmd_test "$@" ;;
  bench) shift; cmd_bench "$@" ;;
  *) echo "usage: $0 run|test|bench" >&2; exit 2 ;;
esac
