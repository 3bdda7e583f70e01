#!/bin/sh
# Runs `qpk check --json` on one medium of tests/qpk/media and compares the
# exit status and the finding codes with the medium's "expected" file: its
# first line is the status, every further line a code that must be reported.
# The medium is checked as a copy without its "expected" file, which belongs
# to the test, not to the medium.
# usage: check_medium.sh <qpk> <medium folder> [<expected file>, default <medium>/expected]
qpk=$1
medium=$2
expected=${3:-$medium/expected}
copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
cp -R "$medium"/. "$copy"/
rm -f "$copy/expected"
out=$("$qpk" check --json "$copy")
status=$?
want=$(head -n 1 "$expected")
fail=0
if [ "$status" != "$want" ]; then
    echo "exit status $status, expected $want"
    fail=1
fi
for code in $(tail -n +2 "$expected"); do
    if ! printf '%s\n' "$out" | grep -q "\"code\": \"$code\""; then
        echo "no finding $code"
        fail=1
    fi
done
[ $fail -eq 0 ] || printf '%s\n' "$out"
exit $fail
