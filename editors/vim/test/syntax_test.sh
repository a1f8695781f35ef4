#!/usr/bin/env bash
# Vim with the Plexa files: the example projects coloured by syntax group,
# Plexa makefiles told from make's, the file-type options, and ":make"
# filling the quickfix list from pxc's messages on a project with faults.
# Usage: syntax_test.sh PXC. PX_UPDATE_GOLDEN=1 writes what Vim gave into
# syntax.expected; read the diff before committing it. Exit status 77:
# vim is absent.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
pxc=$(realpath "$1")
command -v vim >/dev/null || { echo "vim is absent: skipped"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The conveyor project with a label that does not exist, an output number
# out of range and a servo out of range in a file numbered relative to the
# one before it; a step file, a make file and a Plexa makefile in CR LF.
cp -r "$root/examples/conveyor" "$work/conveyor"
sed -i 's/goto batch$/goto nowhere/' "$work/conveyor/main.pre"
sed -i 's/^6+ 7+$/6+ 40000+/' "$work/conveyor/press.pre"
sed -i 's/monitor servo#2:stopped/monitor servo#20:stopped/' "$work/conveyor/feeder.pre"
mkdir "$work/crlf"
sed 's/$/\r/' "$root/examples/conveyor/main.pre" >"$work/crlf/main.pre"
printf 'all:\n\tcc -o demo demo.c\n' >"$work/build.mak"
printf 'MAIN.PRE\r\n\r\nFEEDER.PRE\r\n' >"$work/line.MAK"
mkdir "$work/bin"
ln -s "$pxc" "$work/bin/pxc"

PATH=$work/bin:$PATH PX_ROOT=$root PX_WORK=$work PX_PROBES=$here/syntax.expected PX_ACTUAL=$work/actual \
  vim -Es -N -u NONE -i NONE --cmd "set runtimepath=$root/editors/vim,\$VIMRUNTIME" \
      --cmd 'filetype plugin on' --cmd 'syntax on' -S "$here/check.vim" -c 'qall!' </dev/null >/dev/null || true

if [[ ${PX_UPDATE_GOLDEN:-} == 1 ]]; then
  cp "$work/actual" "$here/syntax.expected"
  echo "wrote $here/syntax.expected"
  exit 0
fi
if ! diff -u "$here/syntax.expected" "$work/actual"; then
  echo "Vim differs from editors/vim/test/syntax.expected (above: - expected, + what Vim gave)."
  echo "PX_UPDATE_GOLDEN=1 writes what Vim gave; read the diff before committing it."
  exit 1
fi
echo "Vim: $(grep -c '^syntax' "$work/actual") positions, $(grep -c '^filetype' "$work/actual") file types," \
     "$(grep -c '^option' "$work/actual") options and $(grep -c '^quickfix' "$work/actual") quickfix entries as expected"
