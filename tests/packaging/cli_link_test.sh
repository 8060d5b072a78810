#!/bin/sh
# varenthal-cli stays position-independent, and its static build loads no shared object: no
# program interpreter, no library needed, and a start with an empty environment works.
# Usage: cli_link_test.sh PROGRAM STATIC(1|0)
set -u
cli=$1
static=$2
failed=0
fail() { echo "FAIL: $*"; failed=1; }

readelf -hW "$cli" | grep -q 'Type:[[:space:]]*DYN' || fail "$cli is not position-independent"
if [ "$static" = 1 ]; then
    readelf -lW "$cli" | grep -q 'INTERP' && fail "$cli asks for a program interpreter"
    readelf -dW "$cli" | grep -q '(NEEDED)' && fail "$cli needs a shared library"
fi
env -i "$cli" --version >/dev/null || fail "$cli does not start"
exit $failed
