#!/usr/bin/env bash
# Runs one build with an installed PXBuilder, offscreen, with the user's
# folders in a temporary folder, and shows that the configuration and the
# build log land there and that nothing is written beside the program.
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

# The builder's working folder is not the project's, so the makefile names
# its step files in full, as the makefile editor writes them.
cp -r "$examples/conveyor" "$tmp/project"
printf '%s\r\n' "$tmp/project/main.pre" "$tmp/project/feeder.pre" "$tmp/project/press.pre" > "$tmp/project/line.mak"

touch "$tmp/before"
sleep 1
status=0
(cd "$tmp/run" && "$builder" --build "$tmp/project/line.mak") > "$tmp/out.txt" 2>&1 || status=$?

fail() { echo "installed builder: $*"; cat "$tmp/out.txt"; exit 1; }
((status == 0)) || fail "exit status $status"
[[ -f $XDG_CONFIG_HOME/PXBuilder/pxconfig.cfg ]] || fail "no configuration file in \$XDG_CONFIG_HOME/PXBuilder"
log=$XDG_DATA_HOME/PXBuilder/pxlinker.log
[[ -f $log ]] || fail "no build log in \$XDG_DATA_HOME/PXBuilder"
grep -q 'Successful compile:' "$log" || fail "the build log shows no clean build"
[[ -s $tmp/project/main.dso ]] || fail "no object file beside the master step file"
written=$(find "$bin_folder" -maxdepth 1 -newer "$tmp/before")
[[ -z $written ]] || fail "written beside the program: $written"
[[ -z $(ls -A "$tmp/run") ]] || fail "written into the folder it was started from"
echo "installed builder: configuration in $XDG_CONFIG_HOME/PXBuilder, log in $XDG_DATA_HOME/PXBuilder," \
     "nothing beside $bin_folder/PXBuilder"
