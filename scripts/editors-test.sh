#!/usr/bin/env bash
# The VS Code extension as CI builds it: the locked packages from the npm
# registry (npm ci), its tests (the grammars against their snapshots, the
# manifest, the snippet and the client; see editors/vscode/package.json),
# and a .vsix packed by vsce. Vim's test runs in ctest (vim_editor_files).
# PXC names the pxc the language-server test starts (default: the dev
# build's).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
export PXC=${PXC:-$root/build/dev/pxc}
command -v npm >/dev/null || scripts/install-deps.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cd editors/vscode
npm ci --no-audit --no-fund
npm test
npx vsce package --out "$work/plexa.vsix"
python3 - "$work/plexa.vsix" <<'PY'
import sys, zipfile
names = set(zipfile.ZipFile(sys.argv[1]).namelist())
wanted = ["extension/package.json", "extension/extension.js", "extension/syntaxes/plexa.tmLanguage.json",
          "extension/node_modules/vscode-languageclient/package.json"]
missing = [n for n in wanted if n not in names]
if missing or any("/test/" in n and "node_modules" not in n for n in names):
    sys.exit(f"the .vsix lacks {missing} or holds the tests")
print(f"plexa.vsix: {len(names)} files")
PY
