#!/bin/sh
# qpk as people install it: `cmake --install` of the host build into a fresh
# prefix, and the installed qpk tries a medium under Wine with what it
# installed beside itself (its bench, both builds' Setup.exe and helpers),
# never with the source or build tree: nothing installed names them.
# usage: check_install.sh <build root> <source tree>
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build/host" --prefix "$work/prefix" >/dev/null || fail "cmake --install"
[ -x "$work/prefix/bin/qpk" ] || fail "no bin/qpk in the installed prefix"
named=$(grep -rl -e "$source" -e "$build" "$work/prefix/share" 2>/dev/null)
[ -z "$named" ] && ! grep -q -e "$source/bench" "$work/prefix/bin/qpk" || fail "installed files name the tree: $named"

cp -R "$source/docs/examples/minimal" "$work/medium"
# The installed qpk keeps its prefixes in the user's cache; here one of the
# build, so that the template is booted once and kept.
XDG_CACHE_HOME="$build/install-cache" "$work/prefix/bin/qpk" try "$work/medium" > "$work/out" 2>&1
status=$?
cat "$work/out"
[ $status -eq 0 ] || fail "the installed qpk try ended with $status"
grep -q "^Against the plan: the run is what" "$work/out" || fail "no agreement with the plan"
echo "installed qpk try ok"
