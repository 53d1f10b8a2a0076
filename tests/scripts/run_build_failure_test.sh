#!/usr/bin/env bash
# scripts/run in a tree whose build fails: nothing on standard output, a
# reason on standard error, and exit status 3, which the tool never uses, so
# that a failed build never reads as a successful -register.
set -uo pipefail
ROOT=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/scripts"
cp "$ROOT/scripts/run" "$ROOT/scripts/setup.sh" "$work/scripts/"
cp "$ROOT/CMakePresets.json" "$work/"
printf 'cmake_minimum_required(VERSION 3.25)\nproject(Broken CXX)\nmessage(FATAL_ERROR "broken on purpose")\n' > "$work/CMakeLists.txt"
"$work/scripts/run" -register >"$work/out" 2>"$work/err"
status=$?
[ "$status" -eq 3 ] || { echo "exit status $status, not 3" >&2; exit 1; }
[ ! -s "$work/out" ] || { echo "standard output was not empty:" >&2; cat "$work/out" >&2; exit 1; }
grep -q "scripts/run: the build failed" "$work/err" || { echo "no reason on standard error:" >&2; cat "$work/err" >&2; exit 1; }
echo "a failed build: exit 3, a reason on standard error, nothing on standard output"
