#!/usr/bin/env bash
# Velmora's one entry point for building, running and testing.
#   ./velmora.sh run        install what is missing, build, start the editor
#   ./velmora.sh test       install what is missing, build (warnings as errors), run every test
#   ./velmora.sh sanitize   run the tests again under ASan+UBSan, and the core tests under TSan
#   ./velmora.sh fuzz [s]   run each fuzz target for s seconds (default 45) under ASan+UBSan
#   ./velmora.sh soak [n]   n randomized fault runs (default 10000) against the virtual robot, with
#                           the link on its own thread
#   ./velmora.sh bench      build and run the benchmarks
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev libhidapi-dev libgtest-dev libbenchmark-dev
          fonts-ipafont-gothic xvfb xauth clang libclang-rt-14-dev locales)
JOBS=${JOBS:-$(nproc)}

# The file tests check that a comma-decimal locale changes no byte of a saved file; they need such
# a locale and are skipped only where none can be made.
ensure_comma_locale() {
  locale -a 2>/dev/null | grep -ix 'de_DE\.utf-\?8' >/dev/null && return 0
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8 2>/dev/null ||
    echo "no de_DE.UTF-8 locale: the comma-decimal locale tests are skipped"
}

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && { ensure_comma_locale; return 0; }
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
  ensure_comma_locale
}

# build DIR [cmake options...]
build() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$JOBS"
}

run_ctest() {
  local dir=$1
  shift
  (cd "$dir" && ctest --output-on-failure --no-tests=error -j "$JOBS" "$@")
}

cmd=${1:-run}
case "$cmd" in
  run)
    install_missing
    build build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_BUILD_BENCH=OFF
    exec ./build/velmora
    ;;
  test)
    install_missing
    build build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_WERROR=ON
    run_ctest build-test
    ;;
  sanitize)
    install_missing
    build build-asan -DCMAKE_BUILD_TYPE=Debug -DVELMORA_ASAN=ON -DVELMORA_BUILD_BENCH=OFF
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      run_ctest build-asan
    # Qt itself is not built for TSan, so the thread checks cover the core, where the threads are.
    build build-tsan -DCMAKE_BUILD_TYPE=Debug -DVELMORA_TSAN=ON -DVELMORA_BUILD_UI=OFF \
      -DVELMORA_BUILD_BENCH=OFF
    TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 run_ctest build-tsan
    ;;
  fuzz)
    install_missing
    seconds=${2:-45}
    CC=clang CXX=clang++ build build-fuzz -DCMAKE_BUILD_TYPE=Debug -DVELMORA_FUZZ=ON \
      -DVELMORA_BUILD_UI=OFF -DVELMORA_BUILD_BENCH=OFF
    shopt -s nullglob
    targets=(build-fuzz/fuzz/*_fuzz)
    if [ ${#targets[@]} -eq 0 ]; then echo "no fuzz targets"; exit 0; fi
    for t in "${targets[@]}"; do
      corpus="build-fuzz/corpus/$(basename "$t")"
      mkdir -p "$corpus"
      echo "fuzzing $(basename "$t") for ${seconds}s"
      "$t" -max_total_time="$seconds" -print_final_stats=1 "$corpus" fuzz/seeds/"$(basename "$t")"
    done
    ;;
  soak)
    install_missing
    runs=${2:-10000}
    build build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_WERROR=ON
    VELMORA_SOAK_THREAD_RUNS=$runs ./build-test/tests/velmora_core_tests \
      --gtest_filter=LinkSoak.OnTheLinkThread
    ;;
  bench)
    install_missing
    # With the UI layer: the simulator's frame benchmarks time the Qt drawing.
    build build-bench -DCMAKE_BUILD_TYPE=Release
    for b in build-bench/bench/*_bench; do "$b"; done
    ;;
  *)
    echo "usage: $0 [run|test|sanitize|fuzz [seconds]|soak [runs]|bench]" >&2
    exit 2
    ;;
esac
