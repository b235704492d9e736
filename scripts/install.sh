#!/usr/bin/env bash
# Installs missing packages, builds the programs without the test hooks
# (build/install) and installs the programs, their libraries and manual pages
# into PREFIX (default ~/.local):
#     scripts/install.sh [PREFIX]
# The build says nothing unless it fails; then its whole output is shown.
set -euo pipefail
cd "$(dirname "$0")/.."
prefix=${1:-$HOME/.local}
scripts/install-deps.sh
source scripts/quietly.sh
build=build/install
quietly cmake -S . -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DJOTTERWICK_TEST_HOOKS=OFF
quietly cmake --build "$build" -j"${JOBS:-2}"
quietly cmake --install "$build" --prefix "$prefix"
echo "Installed into $prefix (programs in bin/, libraries in lib/jotterwick/, manual pages in share/man/man1/, the notes program's help in share/jotterwick/)."
