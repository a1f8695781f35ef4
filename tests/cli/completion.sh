#!/usr/bin/env bash
# pxc's bash completion, from the script given (the source tree's or the
# installed one): "pxc d<TAB>" gives "dump", every command that pxc names is
# offered, each command offers its own options and the files it reads.
# Usage: completion.sh COMPLETION_SCRIPT [PXC]
set -euo pipefail
script=$1
pxc=${2:-}
# A path to pxc holds from the scratch folder too.
[[ $pxc == */* ]] && pxc=$(realpath "$pxc")
fail() { echo "completion: $*" >&2; exit 1; }

# shellcheck source=/dev/null
source "$script"
spec=$(complete -p pxc) || fail "$script registers no completion for pxc"
function=${spec#*-F }
function=${function%% *}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
touch prog.vep PART.PRE line.mak main.dso notes.txt 'my prog.vep'
mkdir folder

# The completions of a command line whose last word is being typed, sorted,
# one a line.
completions() {
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMPREPLY=()
    "$function"
    printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort
}

expect() {
    local want=$1
    shift
    local got
    got=$(completions "$@")
    [[ $got == "$want" ]] || fail "pxc ${*:2}<TAB>: expected [${want//$'\n'/ }], got [${got//$'\n'/ }]"
}

expect 'dump' pxc d
expect $'PART.PRE\ndump\nfmt\nfolder\ngraph\nline.mak\nlsp\nmy prog.vep\nprog.vep' pxc ''
expect $'main.dso' pxc dump m
expect $'PART.PRE\nfolder\nmy prog.vep\nprog.vep' pxc fmt ''
expect $'--check\n--color' pxc --c
expect $'--check' pxc fmt --c
expect $'--diff' pxc dump --d
expect $'always\nauto' pxc --color a
expect $'always\nauto' pxc --color = a
expect $'json' pxc --diagnostics-format j
expect $'folder' pxc -C f
expect $'prog.vep' pxc line.mak p
expect $'PART.PRE\nfolder\nline.mak\nmain.dso\nmy prog.vep\nprog.vep' pxc graph ''
expect $'svg' pxc graph --format s

if [[ -n $pxc ]]; then
    # Every command pxc names for a word that is none is completed.
    listed=$({ "$pxc" no_such_command 2>&1 || true; } | sed -n 's/^The commands are: \(.*\)\. Without.*/\1/p')
    [[ -n $listed ]] || fail "pxc lists no commands"
    for command in ${listed//,/}; do
        expect "$command" pxc "$command"
    done
fi
echo "pxc completion: all completions as expected"
