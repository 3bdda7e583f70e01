#!/bin/sh
# Runs a command (a qpk try) and holds its exit status and its output against
# what the test expects.
# usage: expect.sh <exit status> <text the output must hold> <command> [args...]
want=$1
text=$2
shift 2
out=$("$@" 2>&1)
status=$?
printf '%s\n' "$out"
fail=0
if [ "$status" != "$want" ]; then
    echo "expect: exit status $status, expected $want"
    fail=1
fi
if ! printf '%s\n' "$out" | grep -qF -- "$text"; then
    echo "expect: the output does not hold: $text"
    fail=1
fi
exit $fail
