#!/usr/bin/env bash
# Uses orlix as an application outside this tree would: a release build with
# the shared library is installed into a temporary prefix; the install tree
# is compared with the expected list, every public header compiles on its
# own against it, the library exports its API and not its internals, and the
# example is built and run once with CMake and once with pkg-config. Then
# the Debian package is built, installed with apt-get (as root only), its
# tool run, and removed again.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build/pkg
tmp=$(mktemp -d)
package_installed=0
cleanup() {
  [ "$package_installed" -eq 0 ] || DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq orlix >/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() {
  echo "check_install: $*" >&2
  exit 1
}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DORLIX_TESTS=OFF -DORLIX_WERROR=ON >/dev/null
cmake --build "$build" --target orlix_lib orlix_cli orlix_vrecorder orlix_man
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' "$build/CMakeCache.txt")
prefix=$tmp/usr
cmake --install "$build" --prefix "$prefix" >/dev/null

echo "== install tree"
(cd "$prefix" && find . -type f -o -type l | sort) | tee "$tmp/tree.txt"
sed "s|@LIBDIR@|$libdir|" tests/packaging/install_tree.txt | sort >"$tmp/expected.txt"
diff -u "$tmp/expected.txt" "$tmp/tree.txt" || fail "the install tree differs from tests/packaging/install_tree.txt"
[ "$(readlink "$prefix/$libdir/liborlix.so")" = liborlix.so.1.20 ] || fail "liborlix.so does not lead to liborlix.so.1.20"
readelf -d "$prefix/$libdir/liborlix.so" | grep -q 'SONAME.*\[liborlix\.so\.1\.20\]' || fail "wrong SONAME"

echo "== public headers, each on its own"
(cd "$prefix/include" && find orlix -name '*.h' | sort) >"$tmp/headers.txt"
while read -r header; do
  echo "#include <$header>" | g++ -std=c++20 -Wall -Wextra -Werror -fsyntax-only -I"$prefix/include" \
    -I"$prefix/include/orlix" -x c++ - || fail "$header does not compile on its own, or warns"
done <"$tmp/headers.txt"

echo "== exported symbols"
nm -DC --defined-only "$prefix/$libdir/liborlix.so" | cut -d' ' -f3- >"$tmp/symbols.txt"
for symbol in 'orlix::TOrlixBurner::BurnCD()' 'orlix::TOrlixBurner::InsertDir(' 'orlix::TSCSIDevice::InitializeASPI(' \
  'orlix::CheckSynchronize(' 'orlix::VirtualRecorderPath[abi:cxx11]()' 'orlix::IsSuccess(' \
  'orlix::TFileStreamEx::TFileStreamEx(' 'typeinfo for orlix::EFileError' 'vtable for orlix::TOrlixBurner'; do
  grep -qF "$symbol" "$tmp/symbols.txt" || fail "liborlix.so lacks $symbol"
done
for symbol in 'orlix::FindFirst(' 'orlix::FileOpen(' 'orlix::ModuleDir(' 'orlix::LayOutImage(' \
  'orlix::_InitializeASPI(' 'orlix::FindVirtualRecorder(' 'orlix::Dirs'; do
  if grep -qF "$symbol" "$tmp/symbols.txt"; then fail "liborlix.so exports the internal $symbol"; fi
done
if grep -v -e '^orlix::' -e ' for orlix::' "$tmp/symbols.txt"; then fail "liborlix.so exports names not its own"; fi

# A tiny tree to record, and the check that it arrived on the disc.
mkdir -p "$tmp/src/photos/2026" "$tmp/src/notes"
echo "a picture" >"$tmp/src/photos/2026/beach.jpg"
echo "a note" >"$tmp/src/notes/todo.txt"
recorded() {
  "$prefix/bin/orlix" ls -q -d "virtual:$1" | tee "$tmp/ls.txt"
  grep -q 'photos/2026/beach.jpg' "$tmp/ls.txt" && grep -q 'notes/todo.txt' "$tmp/ls.txt" ||
    fail "the example's files are not on $1"
}

echo "== the example with CMake"
cmake -S examples -B "$tmp/example-cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$tmp/example-cmake" >/dev/null
"$tmp/example-cmake/orlix_example" --virtual "$tmp/disc-cmake,profile=dvd+r" "$tmp/src/photos" "$tmp/src/notes"
recorded "$tmp/disc-cmake"

echo "== the example with pkg-config"
export PKG_CONFIG_PATH=$prefix/$libdir/pkgconfig
# shellcheck disable=SC2046 # the flags are words
g++ -std=c++20 -O1 -o "$tmp/example-pc" examples/burn_folders.cpp $(pkg-config --cflags --libs orlix)
unset PKG_CONFIG_PATH
LD_LIBRARY_PATH=$prefix/$libdir "$tmp/example-pc" --virtual "$tmp/disc-pc,profile=cd-r" "$tmp/src/photos" \
  "$tmp/src/notes"
recorded "$tmp/disc-pc"

echo "== the tool from the install tree"
"$prefix/bin/orlix" --version
"$prefix/bin/orlix" vdisc create --profile dvd-r "$tmp/disc-tool"
"$prefix/bin/orlix" info -d "virtual:$tmp/disc-tool"

echo "== the Debian package"
(cd "$build" && rm -f orlix_*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$build"/orlix_*.deb)
dpkg-deb -f "$deb" Package Version Depends
if [ "$(id -u)" -ne 0 ]; then
  echo "check_install: not root: the package is built but not installed"
  exit 0
fi
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
package_installed=1
(
  cd "$tmp"
  /usr/bin/orlix --version
  /usr/bin/orlix vdisc create --profile dvd+rw "$tmp/disc-deb"
  /usr/bin/orlix info -d "virtual:$tmp/disc-deb"
  # shellcheck disable=SC2046
  g++ -std=c++20 -O1 -o "$tmp/example-deb" "$root/examples/burn_folders.cpp" $(pkg-config --cflags --libs orlix)
  "$tmp/example-deb" --virtual "$tmp/disc-deb" "$tmp/src/photos" "$tmp/src/notes"
)
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq orlix >/dev/null
package_installed=0
echo "check_install: all checks passed"
