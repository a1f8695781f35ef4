#!/usr/bin/env bash
# Neovim's built-in LSP client against pxc lsp, headless, on a copy of the
# conveyor example (see neovim_lsp.lua). Exit status 77 when Neovim is absent.
# Usage: neovim_lsp.sh PXC REPOSITORY
set -euo pipefail
pxc=$(realpath "$1")
repository=$(realpath "$2")
command -v nvim >/dev/null || { echo "nvim is absent: skipped"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$repository/examples/conveyor/." "$work/"
work=$(realpath "$work")
cd "$work"
# No user configuration, no plugins, no swap files; the messages on standard
# error. The script quits Neovim itself; should it fail to load, the next
# command does.
PXC=$pxc PROJECT=$work timeout 300 nvim --headless --clean -n \
  -c "luafile $repository/tests/cli/neovim_lsp.lua" -c 'cquit 3'
