#!/usr/bin/env bash
# The main job: install what is missing, build the toolchain, and build the
# bundled example project with pxc, showing its outputs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target pxc pxcompiler
# A copy keeps the repository's examples free of outputs; pxc builds the
# project from its own folder wherever it is typed.
work=$(mktemp -d)
cp -r examples "$work"/
root=$PWD
cd "$work"
status=0
echo "\$ pxc examples/conveyor/conveyor.mak"
"$root/build/release/pxc" examples/conveyor/conveyor.mak || status=$?
echo
echo "== Outputs in $work/examples/conveyor"
cd examples/conveyor
ls -l
for f in *.xrf; do [[ -f $f ]] && { echo "== $f"; cat "$f"; }; done
for f in *.dso; do [[ -f $f ]] && { echo "== $f (first bytes)"; od -A d -t x1 -N 128 "$f"; }; done
exit $status
