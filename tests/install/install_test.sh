#!/usr/bin/env bash
# Installs the game from one build folder into scratch DESTDIRs through the
# Makefile, as a packager would, plays the installed game and uninstalls it
# again. Needs no root.
#
#   install_test.sh SOURCE_DIR BUILD_DIR
set -u
source_dir=$1
build_dir=$2

work=$(mktemp -d)
manifest=$build_dir/install_manifest.txt

# The manifest tells `make uninstall` what the last real install put where;
# it is kept aside and put back, so that running the tests never changes it.
if [ -e "$manifest" ]; then
    mv "$manifest" "$work/manifest"
fi
restore() {
    rm -f "$manifest"
    if [ -e "$work/manifest" ]; then
        mv "$work/manifest" "$manifest"
    fi
    rm -rf "$work"
}
trap restore EXIT

# Run from `make test`, the outer make's flags and variables must not reach
# the inner one.
unset MAKEFLAGS MFLAGS MAKELEVEL MAKEOVERRIDES DESTDIR PREFIX BINDIR VAKNA_BINDIR
# The game reads these two; it is played here as in a usual terminal.
export TERM=xterm
unset NO_COLOR

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

run_make() {
    make --no-print-directory -C "$source_dir" BUILD="$build_dir" "$@"
}

# Every file below a folder with its mode, against the expected "path mode"
# lines.
expect_files() {
    local root=$1 what=$2
    shift 2
    local found expected
    found=$(cd "$root" && find . -type f -printf '%P %m\n' | LC_ALL=C sort)
    expected=$(printf '%s\n' "$@" | LC_ALL=C sort)
    if [ "$found" != "$expected" ]; then
        fail "$what: expected files"
        printf '%s\n' "$expected"
        echo "but found"
        printf '%s\n' "$found"
    fi
}

expect_stripped() {
    if readelf -S --wide "$1" | grep -q '\.symtab'; then
        fail "$1 keeps its symbol table: not stripped"
    fi
}

# Two turns through a pipe: the bed's first option, then the room's second,
# whose scene offers the way back in, as the story's script names it; the
# end of input then ends the game.
back_in=$(sed -n 's/^    offers "\(.*\)" -> [0-9]* CLIMB_BACK_IN$/\1/p' "$source_dir/docs/story-script.txt")
expect_plays() {
    local out status
    out=$(printf 12 | timeout 60 "$1")
    status=$?
    [ "$status" -eq 0 ] || fail "printf 12 | $1 exited $status"
    if ! printf '%s' "$out" | sed 's/\x1b\[[0-9;]*[A-Za-z]//g' |
        grep -q "^ [0-9]: $back_in\$"; then
        fail "printf 12 | $1 did not play two turns; it wrote (ESC as \\e, CR as \\r):"
        printf '%s\n' "$out" | sed 's/\x1b/\\e/g; s/\r/\\r/g'
    fi
}

# The translated files, where msgfmt built the catalogues: the game finds
# its catalogue from its own folder, and speaks Swedish under a Swedish
# locale where one is installed.
translated=()
if [ -d "$build_dir/locale" ]; then
    translated=("usr/share/locale/sv/LC_MESSAGES/vakna.mo 644")
fi
translated+=("usr/share/man/sv/man6/vakna.6 644")
expect_swedish() {
    if ! locale -a 2> /dev/null | grep -qix 'sv_SE.utf-\?8'; then
        echo "Swedish messages not checked: no sv_SE.UTF-8 locale (Debian: locale-gen)"
    elif [ -d "$build_dir/locale" ] &&
        ! LANGUAGE= LC_ALL=sv_SE.UTF-8 "$1" --hjälp 2>&1 | grep -q "^vakna: okänd flagga"; then
        fail "$1 under a Swedish locale did not answer in Swedish"
    fi
}

# The usual layout, over folders that already hold other programs' files,
# which uninstalling must leave where they are.
dest=$work/usr-layout
mkdir -p "$dest/usr/bin" "$dest/usr/share/man/man6"
touch "$dest/usr/bin/neighbour" "$dest/usr/share/man/man6/neighbour.6"
chmod 644 "$dest/usr/bin/neighbour" "$dest/usr/share/man/man6/neighbour.6"
neighbours=("usr/bin/neighbour 644" "usr/share/man/man6/neighbour.6 644")

run_make install DESTDIR="$dest" PREFIX=/usr || fail "make install exited $?"
expect_files "$dest" "install with PREFIX=/usr" "${neighbours[@]}" "${translated[@]}" \
    "usr/bin/vakna 755" "usr/share/man/man6/vakna.6 644"
cmp -s "$source_dir/docs/vakna.6" "$dest/usr/share/man/man6/vakna.6" ||
    fail "the installed manual page differs from docs/vakna.6"
expect_stripped "$dest/usr/bin/vakna"
expect_plays "$dest/usr/bin/vakna"
expect_swedish "$dest/usr/bin/vakna"

# Uninstalling from a DESTDIR that holds nothing of the install removes
# nothing there and must not pass for a success.
if run_make uninstall DESTDIR="$work/elsewhere" PREFIX=/usr; then
    fail "make uninstall with another DESTDIR reported success"
fi
expect_files "$dest" "after an uninstall with another DESTDIR" "${neighbours[@]}" "${translated[@]}" \
    "usr/bin/vakna 755" "usr/share/man/man6/vakna.6 644"

run_make uninstall DESTDIR="$dest" PREFIX=/usr || fail "make uninstall exited $?"
expect_files "$dest" "after make uninstall" "${neighbours[@]}"
# Nothing left to remove is no error, and says so in one line.
said=$(run_make uninstall DESTDIR="$dest" PREFIX=/usr 2>&1) || fail "a second make uninstall exited $?"
[ "$(printf '%s\n' "$said" | wc -l)" -eq 1 ] || fail "a second make uninstall said: $said"

# A Debian-style layout: the game in /usr/games, the page where it was.
dest=$work/games-layout
run_make install DESTDIR="$dest" PREFIX=/usr BINDIR=/usr/games ||
    fail "make install with BINDIR exited $?"
expect_files "$dest" "install with BINDIR=/usr/games" "${translated[@]}" \
    "usr/games/vakna 755" "usr/share/man/man6/vakna.6 644"
expect_plays "$dest/usr/games/vakna"
expect_swedish "$dest/usr/games/vakna"
run_make uninstall DESTDIR="$dest" PREFIX=/usr BINDIR=/usr/games ||
    fail "make uninstall with BINDIR exited $?"
expect_files "$dest" "after make uninstall with BINDIR"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "installed, played and uninstalled in both layouts"
