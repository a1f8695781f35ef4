#!/usr/bin/env bash
# Builds the bundled example with an installed PXBuilder, offscreen, as a new
# user meets it: a copy of the examples in a temporary home, the builder
# started from an unrelated folder. conveyor.mak names its step files
# relative to itself; a second makefile in another folder names them in
# full, as the makefile editor writes them. Each build must run clean from
# its makefile's folder and show that folder's log; the configuration lands
# in the user's folders, and nothing is written beside the program or into
# the folder it was started from.
# Usage: tests/install/installed_builder.sh PATH/TO/PXBuilder EXAMPLES_FOLDER
set -euo pipefail
builder=$1
examples=$2
bin_folder=$(dirname "$(readlink -f "$builder")")

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/home" "$tmp/run" "$tmp/runtime"
chmod 700 "$tmp/runtime"
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data
export XDG_CACHE_HOME=$tmp/cache XDG_RUNTIME_DIR=$tmp/runtime QT_QPA_PLATFORM=offscreen

cp -r "$examples" "$HOME/examples"
conveyor=$HOME/examples/conveyor
mkdir "$HOME/line"
printf '%s\r\n' "$conveyor/main.pre" "$conveyor/feeder.pre" "$conveyor/press.pre" > "$HOME/line/line.mak"

touch "$tmp/before"
sleep 1
fail() { echo "installed builder: $*"; cat "$tmp/out.txt"; exit 1; }

# Builds the makefile with --build and checks the build and its log.
build() {
  local makefile=$1 log status=0
  log=$(dirname "$makefile")/pxlinker.log
  rm -f "$conveyor/main.dso"
  (cd "$tmp/run" && "$builder" --build "$makefile") > "$tmp/out.txt" 2>&1 || status=$?
  ((status == 0)) || fail "$makefile: exit status $status"
  [[ -f $log ]] || fail "$makefile: no build log beside the makefile"
  grep -q 'Successful compile:' "$log" || fail "$makefile: the build log shows no clean build"
  grep -qxF "== $log" "$tmp/out.txt" || fail "$makefile: the log shown is not $log"
  [[ -s $conveyor/main.dso ]] || fail "$makefile: no object file beside the master step file"
  echo "installed builder: $makefile built, its log beside it"
}
build "$conveyor/conveyor.mak"
build "$HOME/line/line.mak"

[[ -f $XDG_CONFIG_HOME/PXBuilder/pxconfig.cfg ]] || fail "no configuration file in \$XDG_CONFIG_HOME/PXBuilder"
[[ ! -e $XDG_DATA_HOME/PXBuilder/pxlinker.log ]] || fail "a build log in the working folder \$XDG_DATA_HOME/PXBuilder"
written=$(find "$bin_folder" -maxdepth 1 -newer "$tmp/before")
[[ -z $written ]] || fail "written beside the program: $written"
[[ -z $(ls -A "$tmp/run") ]] || fail "written into the folder it was started from"
echo "installed builder: configuration in $XDG_CONFIG_HOME/PXBuilder, nothing beside $bin_folder/PXBuilder"
