#!/usr/bin/env bash
# `cmake --install` into a fresh prefix installs the program and its manual
# page, and the installed program runs. Usage: install_test.sh BUILD_DIR
set -eu
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$1" --prefix "$prefix" >/dev/null
test -x "$prefix/bin/levezet" || { echo "no program under $prefix/bin"; exit 1; }
page=$(find "$prefix" -path '*man1/levezet.1' | head -n 1)
test -n "$page" || { echo "no manual page under $prefix"; exit 1; }
grep -q 'quiet' "$page" || { echo "the manual page lacks the options"; exit 1; }
version=$("$prefix/bin/levezet" --version)
test "${version%% *}" = levezet || { echo "unexpected version line: $version"; exit 1; }
echo "install: program and manual page in place"
