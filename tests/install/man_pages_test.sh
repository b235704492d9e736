#!/usr/bin/env bash
# Every program has a manual page, installed with it, that renders without
# a warning and names every option its --help lists; the notes program's
# help file is installed too.
# usage: man_pages_test.sh BUILD_DIR
source "$(dirname "$0")/install_env.sh"

for program in "${programs[@]}"; do
    page=$prefix/share/man/man1/$program.1
    [ -f "$page" ] || fail "no manual page for $program"
    for section in NAME SYNOPSIS DESCRIPTION OPTIONS; do
        grep -q "^\.SH \"\?$section" "$page" || fail "$program.1 has no $section section"
    done
    if command -v groff >/dev/null; then
        text=$(groff -man -Tascii -P-cbou -ww "$page" 2>"$scratch/warnings") ||
            fail "$program.1 does not render"
        [ ! -s "$scratch/warnings" ] || fail "$program.1: $(cat "$scratch/warnings")"
    else
        # No formatter: the page's own text, escapes taken out.
        text=$(sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' "$page")
    fi
    if command -v man >/dev/null; then
        found=$(as_person "man -w $program") || fail "man does not find $program"
        [ "$found" = "$page" ] || fail "man $program finds $found"
    fi
    for option in $(as_person "$program --help" | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
        grep -qF -- "$option" <<<"$text" || fail "$program.1 does not explain $option"
    done
done
# The notes program's help file lies where its help viewer looks for it.
help=$prefix/share/jotterwick/jotta.htc
[ -f "$help" ] || fail "the notes program's help file is not installed"
[ "$(head -n1 "$help")" = "JOTTERWICK-HELP 1" ] || fail "$help is not a help file"
echo "every program has a manual page that names its options; jotta has its help file"
