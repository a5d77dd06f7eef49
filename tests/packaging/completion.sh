#!/usr/bin/env bash
# The installed bash completion of deptrix-batch offers every option of its --help and
# the right kind of value after each.
#   completion.sh PREFIX
set -uo pipefail
prefix=$1
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
# bash-completion loads the file from inside a function, where a plain declare would
# make its tables local to that function.
load() {
    # shellcheck source=/dev/null
    source "$prefix/share/bash-completion/completions/deptrix-batch"
}
load || fail "the completion cannot be loaded"
[[ $(complete -p deptrix-batch) == *"-F _deptrix_batch"* ]] || fail "deptrix-batch has no completion function"

# The candidates for the last word of a command line, one per line, sorted.
candidates() {
    COMP_WORDS=(deptrix-batch "$@")
    COMP_CWORD=$#
    COMPREPLY=()
    _deptrix_batch 2>/dev/null
    printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | sort
}
expect() {
    local got wanted
    got=$(candidates "${@:2}" | tr '\n' ' ')
    wanted=$(printf '%s\n' $1 | sed '/^$/d' | sort | tr '\n' ' ')
    [[ $got == "$wanted" ]] || fail "deptrix-batch ${*:2}<TAB>: '$got', expected '$wanted'"
}

options=$("$prefix/bin/deptrix-batch" --help | grep -oE '^  (-[a-z], )?--[a-z0-9-]+' | grep -oE -- '-[-a-z0-9]+')
expect "$options" -

folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cd "$folder" || fail "no temporary folder"
mkdir out
touch scene.psd large.PSB notes.txt
expect "none lzw deflate" --compress ""
expect "out" --views ""
expect "out scene.psd large.PSB notes.txt" --gif ""
expect "out scene.psd large.PSB" ""
expect "out scene.psd large.PSB" --views out ""
expect "" --depthmap ""
expect "out scene.psd large.PSB notes.txt" --depthmap 3 ""
expect "" --offset ""
