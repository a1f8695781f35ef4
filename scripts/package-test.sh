#!/usr/bin/env bash
# Builds the Debian package and checks it as a user would meet it: lintian,
# a staging root, the system install (pxc, the library from C through
# pkg-config and from CMake through find_package, the man pages, the desktop
# entry, the editor files, the installed builder), and a removal that leaves
# nothing behind.
# Runs as root (or with sudo); the package is removed again at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
started=$SECONDS

sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi

scripts/install-deps.sh
extra=(dpkg-dev file lintian desktop-file-utils pkg-config groff-base man-db gcc)
missing=()
for p in "${extra[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

step() { echo; echo "== $*"; }
fail() { echo "package test: $*" >&2; exit 1; }

# A package of this name left by an earlier run would stop the new one
# from being installed over it; purging also drops dpkg's record of it.
remove_package() {
  if dpkg-query -W plexa >/dev/null 2>&1; then
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get purge -y -qq plexa >/dev/null
  fi
}
remove_package
work=$(mktemp -d)
trap 'remove_package; rm -rf "$work"' EXIT

step "Building the package"
build=build/package
# Debian's own compiler and linker flags, with every hardening feature.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DPX_BUILD_TESTS=OFF -DPX_BUILD_BENCH=OFF -DPX_BUILD_VSIX=ON \
  "-DCMAKE_CXX_FLAGS=$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)" \
  "-DCMAKE_SHARED_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" -j2
rm -f "$build"/plexa_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/plexa_*.deb)
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb"

step "lintian"
lintian --fail-on error -I "$deb" || fail "lintian reports an error"

step "Staging root"
stage=$work/stage
dpkg-deb -x "$deb" "$stage"
libdir=$(dirname "$(find "$stage" -name 'libpxcompiler.so.2' | head -n 1)")
LD_LIBRARY_PATH=$libdir "$stage/usr/bin/pxc" --version
cp -r "$stage/usr/share/doc/plexa/examples" "$work/staged-examples"
LD_LIBRARY_PATH=$libdir "$stage/usr/bin/pxc" "$work/staged-examples/conveyor/conveyor.mak" >/dev/null
[[ -s $work/staged-examples/conveyor/main.dso ]] || fail "the staged pxc wrote no object file"
tests/install/installed_builder.sh "$stage/usr/bin/PXBuilder" "$stage/usr/share/doc/plexa/examples"

step "Editor files in the package"
python3 - "$stage/usr/share/plexa/editors/plexa.vsix" <<'PY' || fail "no VS Code extension in the package"
import sys, zipfile
names = zipfile.ZipFile(sys.argv[1]).namelist()
assert "extension/package.json" in names and "extension/syntaxes/plexa.tmLanguage.json" in names
print(f"{sys.argv[1]}: {len(names)} files")
PY
for f in ftdetect/plexa.vim syntax/plexa.vim syntax/plexamake.vim ftplugin/plexa.vim ftplugin/plexamake.vim compiler/pxc.vim; do
  [[ -f $stage/usr/share/vim/vimfiles/$f ]] || fail "no $f in Vim's vendor folder"
done
echo "Vim files in /usr/share/vim/vimfiles"

step "The builder in its build folder keeps its configuration there"
project=$work/staged-examples/conveyor
touch "$work/before-build-folder"
(export XDG_CONFIG_HOME=$work/xdg/config XDG_DATA_HOME=$work/xdg/data QT_QPA_PLATFORM=offscreen
 "$build/PXBuilder" --build "$project/conveyor.mak" >/dev/null 2>&1) || fail "the builder in its build folder failed"
[[ $build/pxconfig.cfg -nt $work/before-build-folder ]] || fail "the builder in its build folder did not write pxconfig.cfg there"
[[ $project/pxlinker.log -nt $work/before-build-folder ]] || fail "the builder in its build folder wrote no log beside the makefile"
[[ ! -e $work/xdg ]] || fail "the builder in its build folder wrote into the user's folders"
echo "configuration in $build, build log beside the makefile"

step "Installing into the system"
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "./$deb" >/dev/null
command -v pxc PXBuilder
pxc --version
cp -r /usr/share/doc/plexa/examples "$work/examples"
pxc "$work/examples/conveyor/conveyor.mak" | tail -n 1
[[ -s $work/examples/conveyor/main.dso ]] || fail "the installed pxc wrote no object file"

step "The installed bash completion"
bash tests/cli/completion.sh /usr/share/bash-completion/completions/pxc pxc

step "The library from C with pkg-config"
mkdir "$work/c"
cat > "$work/c/build.c" <<'C'
#include <pxcompiler.h>

#include <stdio.h>
#include <string.h>

/* Builds the makefile named on the command line and tells its size. */
int main(int argc, char **argv) {
    char path[4096];
    if (argc != 2 || strlen(argv[1]) >= sizeof path)
        return 2;
    strcpy(path, argv[1]);
    int32_t bytes = pxcompiler(path);
    printf("pxcompiler %d.%d: %ld bytes\n", PXCOMPILER_VERSION_MAJOR, PXCOMPILER_VERSION_MINOR, (long)bytes);
    return bytes > 0 ? 0 : 1;
}
C
cp -r /usr/share/doc/plexa/examples/conveyor "$work/c/conveyor"
# shellcheck disable=SC2046
cc -std=c99 -Wall -Wextra -Wpedantic -Werror -o "$work/c/build" "$work/c/build.c" $(pkg-config --cflags --libs pxcompiler)
# The same header read as C++.
# shellcheck disable=SC2046
c++ -x c++ -std=c++20 -Wall -Wextra -Wpedantic -Werror -o "$work/c/build++" "$work/c/build.c" $(pkg-config --cflags --libs pxcompiler)
(cd "$work/c/conveyor" && "$work/c/build" conveyor.mak && "$work/c/build++" conveyor.mak)
[[ -s $work/c/conveyor/main.dso ]] || fail "the C program wrote no object file"

step "The library from CMake with find_package"
mkdir "$work/cmake"
cat > "$work/cmake/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(uses_pxcompiler LANGUAGES C)
find_package(pxcompiler 2.1 REQUIRED)
add_executable(build build.c)
target_link_libraries(build PRIVATE pxcompiler::pxcompiler)
CMAKE
cp "$work/c/build.c" "$work/cmake/"
cmake -S "$work/cmake" -B "$work/cmake/out" >/dev/null
cmake --build "$work/cmake/out" >/dev/null
cp -r /usr/share/doc/plexa/examples/conveyor "$work/cmake/conveyor"
(cd "$work/cmake/conveyor" && "$work/cmake/out/build" conveyor.mak)

step "Man pages and desktop entry"
for page in 1/pxc 1/PXBuilder 5/plexa; do
  file=$(man -w "${page%%/*}" "${page##*/}")
  echo "$file"
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$file" 2>&1 >/dev/null)
  [[ -z $warnings ]] || fail "man page $file: $warnings"
done
desktop-file-validate /usr/share/applications/PXBuilder.desktop
[[ -f /usr/share/icons/hicolor/scalable/apps/PXBuilder.svg ]] || fail "no icon"
echo "desktop entry and icon in place"

step "Vim with the installed files"
(cd "$work" && vim -Es -N -u NONE -i NONE --cmd 'filetype plugin on' --cmd 'syntax on' \
   -c 'edit /usr/share/doc/plexa/examples/conveyor/main.pre' \
   -c 'call writefile([&filetype, synIDattr(synID(39, 5, 1), "name"), synIDattr(synID(39, 26, 1), "name")], "vim.txt")' \
   -c 'qall!' </dev/null >/dev/null) || true
[[ $(paste -sd ' ' "$work/vim.txt" 2>/dev/null) == "plexa plexaFlow plexaLabelRef" ]] || fail "Vim does not colour the installed example: $(cat "$work/vim.txt" 2>/dev/null)"
echo "Vim finds the file type and the syntax groups"

step "The installed builder"
tests/install/installed_builder.sh /usr/bin/PXBuilder /usr/share/doc/plexa/examples

step "Removing the package"
mapfile -t files < <(dpkg -L plexa | while read -r f; do [[ -d $f ]] || echo "$f"; done)
mapfile -t own_dirs < <(dpkg -L plexa | while read -r f; do [[ -d $f && $f == *[pP]lexa* || -d $f && $f == *pxcompiler* ]] && echo "$f"; done)
for f in "${files[@]}"; do [[ -e $f || -L $f ]] || fail "installed file missing: $f"; done
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get remove -y -qq plexa >/dev/null
for f in "${files[@]}"; do [[ ! -e $f && ! -L $f ]] || fail "left behind after removal: $f"; done
for d in "${own_dirs[@]}"; do [[ ! -e $d ]] || fail "left behind after removal: $d"; done
echo "${#files[@]} files and ${#own_dirs[@]} folders of its own installed, none left after removal"

cd "$root"
echo
echo "Package test passed in $((SECONDS - started)) s: $deb"
