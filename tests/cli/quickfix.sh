#!/usr/bin/env bash
# vim's quickfix list reads pxc's messages with its stock errorformat: the
# file and line of each entry are those of the message. Skipped without vim.
set -euo pipefail
pxc=$1
command -v vim >/dev/null || { echo "vim is absent: skipped"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/project"
printf 'controller_model K410\n' >"$work/project/demo.fig"
printf '[1]\n---\n---\n    store ctr#9 to reg#1\n[2]\n---\n---\n\tgoto nowhere\n' >"$work/project/demo.vep"
cd "$work"
"$pxc" --color=never project/demo.vep 2>errors.txt || true
vim -es -N -u NONE -i NONE -c 'set errorformat&' -c 'cfile errors.txt' \
    -c 'call writefile(map(getqflist(), {_, e -> bufname(e.bufnr) . ":" . e.lnum . ":" . e.col . ":" . e.valid}), "list.txt")' \
    -c 'qall!' </dev/null || true
# The last is pxc's own warning: the failed goto leaves step [2] unreached.
expected=$'project/demo.vep:4:11:1\nproject/demo.vep:4:5:1\nproject/demo.vep:8:7:1\nproject/demo.vep:5:1:1'
actual=$(grep ':1$' list.txt || true)
if [[ "$actual" != "$expected" ]]; then
    echo "quickfix list differs"; echo "--- expected"; echo "$expected"; echo "--- actual"; cat list.txt; echo "--- pxc"; cat errors.txt
    exit 1
fi
echo "quickfix list: 4 entries at the right files and lines"
