#!/usr/bin/env bash
# The game built as a player with only a compiler, CMake and make builds it, in a fresh
# folder with GoogleTest hidden, so that no test tool grows into the game's build.
set -u
source_dir=$1 work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset MAKEFLAGS MFLAGS MAKELEVEL MAKEOVERRIDES DESTDIR PREFIX BINDIR VAKNA_BINDIR NO_COLOR
export TERM=xterm
bare_make() {
    make --no-print-directory -C "$source_dir" BUILD="$work/build" ASAN_BUILD="$work/asan" \
        FUZZ_BUILD="$work/fuzz" CMAKE_FLAGS=-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON "$@" 2>&1 < /dev/null
}
fail() { echo "FAIL: $*" && exit 1; }
# The first words of the bed's text, as the story's script has it.
bed=$(sed -n '/^[0-9]* SHOW_BED$/,/^$/s/^    says   //p' "$source_dir/docs/story-script.txt" |
    head -n 1 | cut -d' ' -f1-3)
[ -n "$bed" ] && bare_make play | grep -qF "$bed" || fail "make play showed no first screen"
built=$(cd "$work/build" && find . -path ./CMakeFiles -prune -o -type f -executable -print)
[ "$built" = ./vakna ] || fail "make play built more than the game:" $built
bare_make install DESTDIR="$work/stage" > /dev/null && [ -x "$work/stage/usr/local/bin/vakna" ] ||
    fail "make install installed no game"
bare_make test | grep -q 'apt-get install googletest libgtest-dev' && [ ! -e "$work/asan" ] ||
    fail "make test did not stop at once, before configuring its other builds, naming the package"
