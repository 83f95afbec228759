#!/bin/sh
# Every catalogue po/LANGUAGE.po translates every message of the sources
# (their template written again by `make pot`), none fuzzy, and msgfmt
# finds no fault in it. Without gettext's tools the check is skipped (77).
#
#   catalogue_test.sh SOURCE_DIR
source_dir=$1
for tool in xgettext msgfmt msgcmp; do
    command -v "$tool" > /dev/null ||
        { echo "SKIP: $tool is missing (Debian: apt-get install gettext)"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset MAKEFLAGS MFLAGS MAKELEVEL MAKEOVERRIDES
make -s -C "$source_dir" pot POT="$work/vakna.pot" > /dev/null || exit 1
failed=0
for catalogue in "$source_dir"/po/*.po; do
    said=$(LC_ALL=C msgfmt --check --statistics -o /dev/null "$catalogue" 2>&1)
    echo "$catalogue: $said"
    case $said in
    *fuzzy* | *untranslated* | *warning* | *error*) failed=1 ;;
    *" translated message"*) ;;
    *) failed=1 ;;
    esac
    msgcmp "$catalogue" "$work/vakna.pot" || failed=1
done
exit "$failed"
