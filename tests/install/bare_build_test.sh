#!/usr/bin/env bash
# Builds the game into a fresh folder with GoogleTest hidden from CMake, as
# a player with only a compiler, CMake and make would, so that no test tool
# becomes something the game needs.
#
#   bare_build_test.sh SOURCE_DIR
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset MAKEFLAGS MFLAGS MAKELEVEL MAKEOVERRIDES DESTDIR PREFIX BINDIR VAKNA_BINDIR NO_COLOR
export TERM=xterm
status=0
fail() { echo "FAIL: $*" && status=1; }
bare_make() {
    make --no-print-directory -C "$1" BUILD="$work/build" ASAN_BUILD="$work/asan" FUZZ_BUILD="$work/fuzz" \
        CMAKE_FLAGS=-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON "${@:2}" 2>&1 < /dev/null
}

bare_make "$1" play | grep -q 'Plötsligt vaknar du' || fail "make play showed no first screen"
built=$(cd "$work/build" && find . -path ./CMakeFiles -prune -o -type f -executable -print)
[ "$built" = ./vakna ] || fail "make play built more than the game:" $built
bare_make "$1" install DESTDIR="$work/stage" > /dev/null && [ -x "$work/stage/usr/local/bin/vakna" ] ||
    fail "make install installed no game"
# make test stops before configuring its other builds.
bare_make "$1" test | grep -q 'apt-get install googletest libgtest-dev' && [ ! -e "$work/asan" ] ||
    fail "make test did not stop at once with the package to install"
exit $status
