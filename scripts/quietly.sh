# Sourced by the scripts that build for a person: `quietly COMMAND...` runs a
# command with its output kept aside, shown only when the command fails.
quietly_log=$(mktemp)
trap 'rm -f "$quietly_log"' EXIT
quietly() {
    if ! "$@" >"$quietly_log" 2>&1; then
        cat "$quietly_log" >&2
        exit 1
    fi
}
