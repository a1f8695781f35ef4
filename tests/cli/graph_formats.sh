#!/usr/bin/env bash
# pxc graph's output read by the tools it is made for: its SVG is well-formed
# XML with a box for every step, its JSON parses, for the examples and a
# project of every hostile name; its DOT goes through Graphviz's own dot
# program when that is installed. Skipped without python3.
# Usage: graph_formats.sh PXC EXAMPLES_FOLDER
set -euo pipefail
pxc=$(realpath "$1")
examples=$(realpath "$2")
command -v python3 >/dev/null || { echo "python3 is absent: skipped"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$examples/conveyor" "$examples/tiny" "$work/"
mkdir "$work/odd"
printf 'controller_model K410\n' >"$work/odd/it's <&> \"odd\".fig"
printf '[1]     caf\xe9\n---\n---\ngoto next\n[2]     a<b>&"c"\n---\n---\ngoto caf\n' >"$work/odd/it's <&> \"odd\".vep"
cd "$work"
drawn=0
for program in conveyor/conveyor.mak tiny/tiny.vep "odd/it's <&> \"odd\".vep"; do
    "$pxc" graph --format=svg -o graph.svg "$program"
    "$pxc" graph --format=json -o graph.json "$program"
    "$pxc" graph --format=dot -o graph.dot "$program"
    python3 - <<'PY'
import json, xml.dom.minidom
graph = json.load(open("graph.json", encoding="utf-8"))
svg = xml.dom.minidom.parse("graph.svg")
ids = {g.getAttribute("id") for g in svg.getElementsByTagName("g")}
for step in graph["steps"]:
    assert "step%d" % step["step"] in ids, step
PY
    if command -v dot >/dev/null; then dot -Tsvg graph.dot >/dev/null; fi
    drawn=$((drawn + 1))
done
echo "pxc graph: $drawn programs drawn as well-formed SVG and JSON$(command -v dot >/dev/null && echo ", DOT read by dot")"
