#!/usr/bin/env bash
# The installed manual pages render without warnings, and their synopsis, options and
# exit status say word for word what the programs' --help says.
#   manual-pages.sh PREFIX
set -euo pipefail
prefix=$1
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
command -v man >/dev/null || fail "man is missing: run scripts/install-deps.sh"
export LC_ALL=C.UTF-8 MANWIDTH=80

# Blanks and line breaks collapsed to single blanks.
flat() { tr -s '[:space:]' ' ' | sed 's/^ //; s/ $//'; }
# A section of the rendered page: the lines after its heading up to the next heading.
section() { awk -v name="$1" '/^[A-Z][A-Z ]*$/ { inside = ($0 == name); next } inside'; }
# The help's usage forms, its block of options and its exit status statement, written
# the way the page lists them.
help_usage() { awk 'NR == 1 { sub(/^Usage: /, "") } /^$/ { exit } { print }'; }
help_options() { awk '/^$/ { if (inside) exit; next } /^  [^ ]/ { inside = 1 } inside'; }
help_exit_status() { flat | sed -n 's/.*Exit status: //p' | sed -E 's/, ([0-9]+) / \1 /g; s/\.$//'; }

for program in deptrix deptrix-batch; do
    page="$prefix/share/man/man1/$program.1"
    warnings=$(man --warnings -E ascii -l "$page" 2>&1 >/dev/null) || fail "man cannot render $page"
    [[ -z $warnings ]] || fail "$page renders with warnings:"$'\n'"$warnings"
    rendered=$(man -E ascii -l "$page")
    help=$("$prefix/bin/$program" --help)

    compare() {
        local what=$1 from_page=$2 from_help=$3
        [[ -n $from_help ]] || fail "$program --help has no $what"
        [[ $from_page == "$from_help" ]] \
            || fail "the $what of $page differs from $program --help:"$'\n'"page: $from_page"$'\n'"help: $from_help"
    }
    compare synopsis "$(section SYNOPSIS <<<"$rendered" | flat)" "$(help_usage <<<"$help" | flat)"
    compare options "$(section OPTIONS <<<"$rendered" | flat)" "$(help_options <<<"$help" | flat)"
    compare "exit status" "$(section 'EXIT STATUS' <<<"$rendered" | flat)" "$(help_exit_status <<<"$help")"
done
