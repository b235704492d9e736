#!/usr/bin/env bash
# The first synchronizations of README.md and docs/sync.md, run exactly as
# written by a person who installed the project: a scratch prefix, a scratch
# home, the installed programs on the PATH and nothing of the build tree.
# usage: first_sync_test.sh BUILD_DIR SOURCE_DIR
source "$(dirname "$0")/install_env.sh"
source_dir=$2

# The indented lines after the first line that matches `marker`, up to the
# next line of prose.
block() {
    awk -v marker="$2" 'found && /^    / { print substr($0, 5); next }
                        found && NF { exit }
                        !found && index($0, marker) { found = 1 }' "$1"
}

readme=$(block "$source_dir/README.md" "A first synchronization, by hand:")
[ -n "$readme" ] || fail "README.md has no first synchronization"
out=$(as_person "$readme" 2>&1) || fail "README's commands failed: $out"
grep -q '30:lpwstr = "Call Bob"' <<<"$out" || fail "the note did not reach the handheld: $out"

# The handheld provider registered is the handheld's installed copy, and it
# finds its libraries in the installation, not in the build tree.
handheld=$(as_person "ceutil --handheld ~/try/handheld reg get HKLM \
'Windows CE Services\\Synchronization\\Objects\\Jotterwick' Store")
[ "$handheld" = '\Program Files\Jotterwick\libjottadev.so' ] ||
    fail "the handheld provider registered is $handheld"
device_runpath=$(readelf -d "$home/try/handheld/Program Files/Jotterwick/libjottadev.so" |
    grep -E 'RUNPATH|RPATH')
grep -qF "$prefix/lib/jotterwick" <<<"$device_runpath" ||
    fail "the handheld provider's run path: $device_runpath"
! grep -qF "$build" <<<"$device_runpath" ||
    fail "the handheld provider still looks in the build tree: $device_runpath"
runpath=$(readelf -d "$prefix/bin/jsync" | grep -E 'RUNPATH|RPATH')
grep -qF '$ORIGIN/../lib/jotterwick' <<<"$runpath" || fail "jsync's run path: $runpath"
! grep -qF "$build" <<<"$runpath" || fail "jsync still looks in the build tree: $runpath"

guide=$(block "$source_dir/docs/sync.md" "## A first synchronization")
[ -n "$guide" ] || fail "docs/sync.md has no first synchronization"
out=$(as_person "$guide" 2>&1) || fail "docs/sync.md's commands failed: $out"
grep -q 'Received from the desktop: 1 (1 new' <<<"$out" || fail "docs/sync.md: $out"
echo "README.md and docs/sync.md work as written"
