#!/usr/bin/env bash
# The resume sweep at every write: jsync ended right after its N-th durable
# write for every N of the resume tests' scenarios, each followed by a clean
# run and a third that must find nothing to do. The test suite takes every
# 7th N; this takes them all (a few minutes).
#
#   bench/jsync_resume_sweep.sh [BUILD_DIR]     (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
cmake --build "$build" --target jsync_resume_test -j2
JOTTERWICK_BUILD_DIR="$PWD/$build" JOTTERWICK_JSYNC_SWEEP_STEP=1 \
    "$build/tests/peers/activesync/jsync_resume_test"
