#!/usr/bin/env bash
# Velmora's one entry point for building, running and testing.
#   ./velmora.sh run        install what is missing, build, start the editor
#   ./velmora.sh test       install what is missing, build (warnings as errors), run every test
#   ./velmora.sh sanitize   run the tests again under ASan+UBSan, and the core tests under TSan
#   ./velmora.sh fuzz [s]   run each fuzz target for s seconds (default 45) under ASan+UBSan
#   ./velmora.sh soak [n]   n randomized fault runs (default 10000) against the virtual robot, with
#                           the link on its own thread
#   ./velmora.sh bench [s]  build and run the benchmarks (each for at least s seconds, if given)
#   ./velmora.sh package    build the Debian package velmora_<version>_<arch>.deb in this folder
# Warnings are errors in test and sanitize, and everywhere when CI is set.
set -euo pipefail
cd "$(dirname "$0")"

# What building and running need; each command adds what it needs besides. No name here may
# belong to one Debian release only (libclang-rt-dev follows the release's default clang).
RUN_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-svg-dev libhidapi-dev
  fonts-ipafont-gothic hershey-fonts-data python3-dev pybind11-dev)
TEST_PACKAGES=(libgtest-dev libbenchmark-dev locales dpkg-dev desktop-file-utils python3-pytest)
FUZZ_PACKAGES=(clang libclang-rt-dev)
BENCH_PACKAGES=(libbenchmark-dev)
PACKAGE_PACKAGES=(dpkg-dev)
JOBS=${JOBS:-$(nproc)}
WERROR_IN_CI=-DVELMORA_WERROR=$([ -n "${CI:-}" ] && echo ON || echo OFF)

# The file tests check that a comma-decimal locale changes no byte of a saved file; they need such
# a locale and are skipped only where none can be made.
ensure_comma_locale() {
  locale -a 2>/dev/null | grep -ix 'de_DE\.utf-\?8' >/dev/null && return 0
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8 2>/dev/null ||
    echo "no de_DE.UTF-8 locale: the comma-decimal locale tests are skipped"
}

# install_missing PACKAGE... : installs those that are missing (apt-get, through sudo unless root).
install_missing() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
}

# build DIR [cmake options...]
build() {
  local dir=$1
  shift
  # ccache, where the machine has it, makes the second and later builds of a tree quick.
  command -v ccache >/dev/null && set -- -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
    -DCMAKE_C_COMPILER_LAUNCHER=ccache "$@"
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
    install_missing "${RUN_PACKAGES[@]}"
    build build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_BUILD_TESTS=OFF \
      -DVELMORA_BUILD_BENCH=OFF -DVELMORA_WERROR=OFF
    exec ./build/velmora
    ;;
  test)
    install_missing "${RUN_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
    ensure_comma_locale
    build build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_BUILD_TESTS=ON \
      -DVELMORA_BUILD_BENCH=ON -DVELMORA_WERROR=ON
    run_ctest build-test
    ;;
  sanitize)
    install_missing "${RUN_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
    ensure_comma_locale
    build build-asan -DCMAKE_BUILD_TYPE=Debug -DVELMORA_ASAN=ON -DVELMORA_BUILD_TESTS=ON \
      -DVELMORA_BUILD_BENCH=OFF -DVELMORA_WERROR=ON
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      run_ctest build-asan
    # Qt itself is not built for TSan, so the thread checks cover the core, where the threads are.
    build build-tsan -DCMAKE_BUILD_TYPE=Debug -DVELMORA_TSAN=ON -DVELMORA_BUILD_UI=OFF \
      -DVELMORA_BUILD_TESTS=ON -DVELMORA_BUILD_BENCH=OFF -DVELMORA_WERROR=ON
    TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 run_ctest build-tsan
    ;;
  fuzz)
    install_missing "${RUN_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"
    seconds=${2:-45}
    CC=clang CXX=clang++ build build-fuzz -DCMAKE_BUILD_TYPE=Debug -DVELMORA_FUZZ=ON \
      -DVELMORA_BUILD_UI=OFF -DVELMORA_BUILD_BENCH=OFF "$WERROR_IN_CI"
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
    install_missing "${RUN_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
    runs=${2:-10000}
    build build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_BUILD_TESTS=ON \
      -DVELMORA_BUILD_BENCH=ON -DVELMORA_WERROR=ON
    VELMORA_SOAK_THREAD_RUNS=$runs ./build-test/tests/velmora_core_tests \
      --gtest_filter=LinkSoak.OnTheLinkThread
    ;;
  bench)
    install_missing "${RUN_PACKAGES[@]}" "${BENCH_PACKAGES[@]}"
    # With the UI layer: the simulator's frame benchmarks time the Qt drawing.
    build build-bench -DCMAKE_BUILD_TYPE=Release -DVELMORA_BUILD_TESTS=OFF \
      -DVELMORA_BUILD_BENCH=ON "$WERROR_IN_CI"
    args=()
    [ -n "${2:-}" ] && args=(--benchmark_min_time="$2")
    for b in build-bench/bench/*_bench; do "$b" "${args[@]}"; done
    ;;
  package)
    install_missing "${RUN_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"
    build build-package -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
      -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_BENCH=OFF "$WERROR_IN_CI"
    rm -f build-package/velmora_*.deb
    (cd build-package && cpack -G DEB >/dev/null)
    rm -f velmora_*.deb
    cp build-package/velmora_*.deb .
    deb=$(ls velmora_*.deb)
    echo "Built $deb; install it with: sudo apt-get install ./$deb"
    ;;
  *)
    echo "usage: $0 [run|test|sanitize|fuzz [seconds]|soak [runs]|bench [seconds]|package]" >&2
    exit 2
    ;;
esac
