#!/usr/bin/env bash
# Installs missing packages, builds the notes program `jotta` (release) and
# runs it on the default handheld ($JOTTERWICK_HANDHELD, else
# ~/.local/share/jotterwick/handheld). Arguments go to jotta, e.g.
#     scripts/run.sh --handheld /tmp/my-handheld
# The build says nothing unless it fails; then its whole output is shown.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# Its own build: the program a person uses carries no test hooks.
build=build/run
source scripts/quietly.sh
quietly cmake -S . -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DJOTTERWICK_TEST_HOOKS=OFF
quietly cmake --build "$build" --target jotta -j"${JOBS:-2}"
rm -f "$quietly_log"
exec "$build/device/app/jotta" "$@"
