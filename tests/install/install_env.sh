# Sourced by the tests of the installed programs: installs the build
# ($1) into a scratch prefix and gives a scratch home, removed at the end.
#   $prefix   the installation (bin/, lib/jotterwick/, share/man/man1/)
#   $home     an empty home folder
#   as_person COMMAND-LINE   runs a shell command line as a person with that
#             home and the installation's bin/ first on the PATH would
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix=$scratch/prefix
home=$scratch/home
mkdir "$home"
JOTTERWICK_INSTALL_TEST_BUILD=1 cmake --install "$build" --prefix "$prefix" >/dev/null
programs=(jotta jsync outlook-notes ceutil trailmonitor ceappmgr notepad setup)

as_person() {
    env -i HOME="$home" PATH="$prefix/bin:/usr/local/bin:/usr/bin:/bin" LANG=C.UTF-8 \
        bash -euo pipefail -c "$1"
}

fail() {
    echo "FAILED: $*" >&2
    exit 1
}
