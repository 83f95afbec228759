#!/bin/sh
# Every catalogue po/LANGUAGE.po translates every message of the sources
# (their template from `make pot`), none fuzzy, and msgfmt finds no fault in
# it. Without gettext the check is skipped (exit 77).
#
#   catalogue_test.sh SOURCE_DIR
source_dir=$1 work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
command -v xgettext > /dev/null && command -v msgcmp > /dev/null ||
    { echo "SKIP: gettext is missing (Debian: apt-get install gettext)"; exit 77; }
unset MAKEFLAGS MFLAGS MAKELEVEL MAKEOVERRIDES
make -s -C "$source_dir" pot POT="$work/vakna.pot" > /dev/null || exit 1
for catalogue in "$source_dir"/po/*.po; do
    said=$(LC_ALL=C msgfmt --check --statistics -o /dev/null "$catalogue" 2>&1) || exit 1
    echo "$catalogue: $said"
    case $said in *fuzzy* | *untranslated* | *warning*) exit 1 ;; esac
    msgcmp "$catalogue" "$work/vakna.pot" || exit 1
done
