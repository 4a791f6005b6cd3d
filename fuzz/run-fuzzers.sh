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
# fails keeps its folder (the input that failed is there). A target keeps one core busy: as many run side
# by side as there are build jobs.
declare -A work=() # the folder of each running target, by its process
trap 'for p in "${!work[@]}"; do kill "$p" 2>/dev/null; wait "$p" || true; rm -rf -- "${work[$p]}"; done' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
failed=""
# Waits for one target to end and reports it.
finish_one() {
  local pid rc=0
  wait -n -p pid || rc=$?
  local dir=${work[$pid]} name
  unset "work[$pid]"
  name=$(cat "$dir/name")
  if [ $rc -ne 0 ]; then
    tail -50 "$dir/log.txt"
    echo "fuzz: $name failed; its folder is kept: $dir"
    failed=1
  else
    echo "fuzz: $name $(grep -E '^stat::number_of_executed_units' "$dir/log.txt" || true)"
    rm -rf "$dir"
  fi
}
for src in fuzz/fuzz_*.cpp; do
  [ -z "$failed" ] || break
  name=$(basename "$src" .cpp)
  dir=$(mktemp -d)
  mkdir -p "$dir/corpus" && echo "$name" >"$dir/name"
  [ -d "fuzz/corpus/$name" ] && cp -r "fuzz/corpus/$name/." "$dir/corpus/"
  echo "fuzz: $name for at most ${seconds}s"
  (cd "$dir" && TMPDIR="$dir" exec "$OLDPWD/build-fuzz/fuzz/$name" -max_total_time="$seconds" -runs=2000000 \
      -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 corpus 2>"$dir/log.txt") &
  work[$!]=$dir
  [ ${#work[@]} -lt "${QR_JOBS:-$(nproc)}" ] || finish_one
done
while [ ${#work[@]} -gt 0 ]; do finish_one; done
[ -z "$failed" ] || exit 1
echo "fuzz: all targets passed"
