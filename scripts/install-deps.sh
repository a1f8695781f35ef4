#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing.
# Usage: scripts/install-deps.sh [--gui]   (--gui adds Xvfb for screenshots)
set -euo pipefail

packages=(g++ cmake make binutils libgtest-dev libgmock-dev libbenchmark-dev qt6-base-dev)
# pxc's command line parser (header-only).
packages+=(libcli11-dev)
# JSON for pxc's diagnostics, its graph and its language server (nlohmann/json,
# header-only); pxc graph's SVG laid out by Graphviz's libgvc (found with
# pkg-config); PXBuilder shows it with QtSvg.
packages+=(nlohmann-json3-dev libgraphviz-dev pkg-config qt6-svg-dev)
# The tools the tests check our output with: man pages, the desktop entry,
# vim's quickfix list, a JSON parser; Neovim's LSP client against pxc lsp.
packages+=(man-db groff-base desktop-file-utils vim python3 neovim)
# Node.js and npm build and test the VS Code extension: Debian's, unless a
# node is already there.
if ! command -v node >/dev/null; then
  packages+=(nodejs npm)
fi
if [[ "${1:-}" == "--gui" ]]; then
  packages+=(xvfb xauth x11-apps imagemagick)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
