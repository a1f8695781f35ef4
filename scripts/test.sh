#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the development
# build, then the whole suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer, then every fuzz target for a minute on its
# committed corpus (a regression check), then the VS Code extension, then
# the package.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
cmake --preset dev
cmake --build --preset dev
ctest --preset dev
cmake --preset asan
cmake --build --preset asan
ctest --preset asan
scripts/fuzz.sh all 60
scripts/editors-test.sh
scripts/package-test.sh
