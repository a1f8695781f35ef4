#!/usr/bin/env bash
# With SOURCE_DATE_EPOCH set, two builds of the conveyor example two seconds
# apart leave every file byte-identical, map and log included, and the map
# is dated from it in UTC whatever the time zone. A value that is not a
# number of seconds is refused before anything is built; an empty one counts
# as unset.
# Usage: reproducible.sh PXC SOURCE_DIR
set -euo pipefail
pxc=$(realpath "$1")
source_dir=$2
fail() { echo "reproducible: $*" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$source_dir/examples/conveyor" "$work/conveyor"
cd "$work/conveyor"
export TZ=EST5

SOURCE_DATE_EPOCH=1000000000 "$pxc" conveyor.mak 2>/dev/null
mkdir "$work/first"
cp -p ./* "$work/first/"
sleep 2
SOURCE_DATE_EPOCH=1000000000 "$pxc" conveyor.mak 2>/dev/null
for f in "$work"/first/*; do
    cmp "$f" "$(basename "$f")" || fail "$(basename "$f") differs between two builds"
done
count=$(find . -maxdepth 1 -type f | wc -l)
[[ $count == "$(find "$work/first" -type f | wc -l)" ]] || fail "the second build wrote other files"
grep -q '^Sun Sep  9 01:46:40 2001  *main.xrf' main.xrf || fail "the map is not dated 2001-09-09 01:46:40 UTC"

touch -d '2000-01-01' main.dso
status=0
SOURCE_DATE_EPOCH=yesterday "$pxc" conveyor.mak 2>"$work/err" || status=$?
[[ $status == 2 ]] || fail "SOURCE_DATE_EPOCH=yesterday: exit status $status, not 2"
grep -q "SOURCE_DATE_EPOCH='yesterday' is not a number of seconds" "$work/err" || fail "no message for a wrong SOURCE_DATE_EPOCH"
[[ $(stat -c %Y main.dso) == "$(date -d 2000-01-01 +%s)" ]] || fail "a wrong SOURCE_DATE_EPOCH still built"
SOURCE_DATE_EPOCH='' "$pxc" conveyor.mak 2>/dev/null || fail "an empty SOURCE_DATE_EPOCH stopped the build"
echo "reproducible: $count files byte-identical after two builds with SOURCE_DATE_EPOCH"
