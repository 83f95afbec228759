#!/bin/sh
# Lints the manual page with every linter that is installed: mandoc (Debian:
# mandoc) and groff (Debian: groff-base). Any message fails; with neither
# linter the check is skipped (exit 77).
#
#   manual_lint.sh PAGE
page=$1
linted=0
failed=0

lint() {
    messages=$("$@" 2>&1)
    status=$?
    linted=1
    if [ "$status" -ne 0 ] || [ -n "$messages" ]; then
        echo "FAIL: $* exited $status:"
        echo "$messages"
        failed=1
    else
        echo "$*: no messages"
    fi
}

if command -v mandoc > /dev/null; then
    lint mandoc -T lint "$page"
fi
if command -v groff > /dev/null; then
    lint groff -man -ww -z "$page"
fi
if [ "$linted" -eq 0 ]; then
    echo "SKIP: neither mandoc nor groff is installed to lint $page (Debian: apt-get install mandoc)"
    exit 77
fi
exit "$failed"
