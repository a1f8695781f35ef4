#!/usr/bin/env bash
# pxc's JSON parses as JSON, and its SARIF has every field that SARIF 2.1.0
# requires of a log, a run, a result and a physical location.
set -euo pipefail
pxc=$1
command -v python3 >/dev/null || { echo "python3 is absent: skipped"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/my project"
printf 'controller_model K410\nbogus 1\n' >"$work/my project/demo.fig"
printf '[1]\n---\n  200+\n---\n    store ctr#9 to reg#1\n    stör "x"\n[2]\n---\n---\n\tgoto nowhere\n' >"$work/my project/demo.vep"
cd "$work"
"$pxc" --diagnostics-format=json "my project/demo.vep" >out.json 2>/dev/null || true
"$pxc" --diagnostics-format=sarif "my project/demo.vep" >out.sarif 2>/dev/null || true
python3 - <<'PY'
import json
with open("out.json", encoding="utf-8") as f:
    diagnostics = json.load(f)
assert isinstance(diagnostics, list) and len(diagnostics) == 8, diagnostics
fields = {"build", "severity", "message", "file", "line", "column", "compile_error", "step", "step_as_written"}
for d in diagnostics:
    # pxc's own warnings name their code, the name -Wno- takes.
    assert set(d) == fields | ({"code"} if "code" in d else set()), d
    assert d["file"] in ("my project/demo.vep", "my project/demo.fig"), d
assert [d["severity"] for d in diagnostics].count("warning") == 3
assert [d.get("code") for d in diagnostics if "code" in d] == ["unreachable-step"], diagnostics
with open("out.sarif", encoding="utf-8") as f:
    log = json.load(f)
assert log["version"] == "2.1.0"
run, = log["runs"]
driver = run["tool"]["driver"]
assert driver["name"] == "pxc" and driver["version"]
rules = [r["id"] for r in driver["rules"]]
assert len(rules) == len(set(rules))
assert len(run["results"]) == 8
assert run["results"][-1]["ruleId"] == "unreachable-step"
for r in run["results"]:
    assert r["message"]["text"]
    assert r["level"] in ("warning", "error")
    assert rules[r["ruleIndex"]] == r["ruleId"]
    location = r["locations"][0]["physicalLocation"]
    assert location["artifactLocation"]["uri"].startswith("my%20project/demo.")
    region = location.get("region")
    assert region is None or (region["startLine"] >= 1 and region["startColumn"] >= 1)
print("json: %d diagnostics; sarif: %d results, %d rules" % (len(diagnostics), len(run["results"]), len(rules)))
PY
