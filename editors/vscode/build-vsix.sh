#!/usr/bin/env bash
# Packages the VS Code extension into OUTPUT (a .vsix) from a copy of this
# folder beside OUTPUT, so the source tree gets no node_modules: npm ci
# installs the locked packages from the npm registry, vsce packs the
# extension with its runtime dependencies.
# Usage: build-vsix.sh OUTPUT
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
output=$(realpath -m "$1")
copy=$(dirname "$output")/vscode
rm -rf "$copy"
mkdir -p "$copy"
tar -C "$here" --exclude=./node_modules --exclude='*.vsix' -cf - . | tar -C "$copy" -xf -
cd "$copy"
npm ci --no-audit --no-fund
npx vsce package --out "$output"
