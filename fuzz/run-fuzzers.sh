#!/usr/bin/env bash
# Runs every fuzz target for a bounded number of inputs from its seed corpus.
# Skipped when clang++-14 is missing. FUZZ_SECONDS caps each target (default 40).
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang++-14 >/dev/null; then
  echo "fuzz: clang++-14 not found, skipping"
  exit 0
fi
ls fuzz/fuzz_*.cpp >/dev/null 2>&1 || { echo "fuzz: no targets"; exit 0; }
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++-14 \
  -DQR_FUZZ=ON -DQR_TESTS=OFF -DQR_PCH=OFF >/dev/null
# Only the targets: the program and its widget libraries are not fuzzed.
targets=()
for src in fuzz/fuzz_*.cpp; do targets+=(--target "$(basename "$src" .cpp)"); done
cmake --build build-fuzz -j "${QR_JOBS:-$(nproc)}" "${targets[@]}"
seconds=${FUZZ_SECONDS:-40}
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
export QT_QPA_PLATFORM=offscreen
# Each target works in a folder of its own, its temporary files included, removed after it; one that
# fails keeps its folder (the input that failed is there).
work=""
trap '[ -z "$work" ] || rm -rf -- "$work"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
for src in fuzz/fuzz_*.cpp; do
  name=$(basename "$src" .cpp)
  work=$(mktemp -d)
  mkdir -p "$work/corpus"
  [ -d "fuzz/corpus/$name" ] && cp -r "fuzz/corpus/$name/." "$work/corpus/"
  echo "fuzz: $name for at most ${seconds}s"
  (cd "$work" && TMPDIR="$work" "$OLDPWD/build-fuzz/fuzz/$name" -max_total_time="$seconds" -runs=2000000 \
      -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 corpus 2>"$work/log.txt") || {
    tail -50 "$work/log.txt"
    echo "fuzz: $name failed; its folder is kept: $work"
    work=""
    exit 1
  }
  grep -E '^stat::number_of_executed_units' "$work/log.txt" || true
  rm -rf "$work"
  work=""
done
echo "fuzz: all targets passed"
