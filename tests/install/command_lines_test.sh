#!/usr/bin/env bash
# Every installed program answers --help and --version, and refuses an
# argument it does not know with one line that points to --help.
# usage: command_lines_test.sh BUILD_DIR
source "$(dirname "$0")/install_env.sh"

for program in "${programs[@]}"; do
    out=$(as_person "$program --help" 2>"$scratch/err") || fail "$program --help exits $?"
    [[ $out == "usage: $program"* ]] || fail "$program --help printed: $out"
    [ ! -s "$scratch/err" ] || fail "$program --help wrote to standard error"

    out=$(as_person "$program --version") || fail "$program --version exits $?"
    [[ $out =~ ^$program\ \(Jotterwick\)\ [0-9]+\.[0-9]+\.[0-9]+$ ]] ||
        fail "$program --version printed: $out"

    status=0
    out=$(as_person "$program --no-such-option" 2>"$scratch/err") || status=$?
    [ "$status" -eq 2 ] || fail "$program --no-such-option exits $status"
    [ -z "$out" ] || fail "$program --no-such-option printed on standard output: $out"
    [ "$(wc -l <"$scratch/err")" -eq 1 ] || fail "$program: not one line: $(cat "$scratch/err")"
    grep -qF "(try '$program --help')" "$scratch/err" ||
        fail "$program: $(cat "$scratch/err")"
done
echo "every program answers --help and --version and refuses in one line"
