#!/usr/bin/env bash
# Checks a manual page: groff reads it without a warning, it shows the
# program's version, and it names every option the program's --help shows.
# Usage: man_page_test.sh PAGE PROGRAM
set -u
page=$1 program=$2
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

warnings=$(groff -man -ww -z -Tascii "$page" 2>&1)
[[ -z $warnings ]] || fail "groff warns about $page: $warnings"

# Rendered wide and without hyphenation, so that no option is split.
text=$(groff -man -rLL=300n -rHY=0 -Tascii -P-cbou "$page")
version=$("$program" --version)
grep -qF -- "$version" <<<"$text" || fail "$page does not show '$version'"

help=$("$program" --help)
options=$(grep -oE -- '(^|[^A-Za-z-])--?[A-Za-z][A-Za-z-]*' <<<"$help" | grep -oE -- '--?[A-Za-z][A-Za-z-]*' | sort -u)
[[ -n $options ]] || fail "$program --help shows no option"
for option in $options; do
    grep -qE -- "(^|[^A-Za-z-])$option([^A-Za-z-]|$)" <<<"$text" || fail "$page does not name $option"
done

((failures == 0)) || exit 1
echo "$page: no warning, $version, all $(wc -w <<<"$options") options of --help"
