#!/usr/bin/env bash
# Builds and runs the whole test suite twice: a normal build, then an address +
# undefined-behaviour sanitizer build. Installs missing packages first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=${JOBS:-2}
run_suite() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G "Unix Makefiles" "$@" >/dev/null
    cmake --build "$dir" -j"$jobs"
    ctest --test-dir "$dir" --output-on-failure -j"$jobs" --timeout 300
}
run_suite build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DJOTTERWICK_TEST_HOOKS=ON
run_suite build/asan -DCMAKE_BUILD_TYPE=Debug -DJOTTERWICK_SANITIZE=ON -DJOTTERWICK_TEST_HOOKS=ON
