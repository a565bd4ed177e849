#!/usr/bin/env bash
# kestrin and norvane-sim on the command line: usage and version print and exit without a display
# (nothing of Qt may start: without a display it would abort), bad arguments exit 2.
# Usage: command_line_test.sh KESTRIN NORVANE_SIM VERSION
set -euo pipefail
kestrin=$1 sim=$2 version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
# status, the start of the first line of standard output (or of standard error when the status
# is not 0), then the program and its arguments.
check() {
  local status=$1 first=$2; shift 2
  local got=0
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" >"$work/out" 2>"$work/err" </dev/null || got=$?
  local stream=$work/out
  [ "$status" -eq 0 ] || stream=$work/err
  local line; line=$(head -1 "$stream")
  if [ "$got" -ne "$status" ] || [[ "$line" != "$first"* ]] || { [ "$status" -eq 0 ] && [ -s "$work/err" ]; }; then
    echo "FAIL: $* -> status $got (want $status), first line '$line' (want '$first...')"
    sed 's/^/  stderr: /' "$work/err" | head -5
    failures=$((failures + 1))
  fi
}
check 0 "usage: kestrin [--port N]" "$kestrin" -h
check 0 "usage: kestrin [--port N]" "$kestrin" --help
check 0 "usage: kestrin [--port N]" "$kestrin" --connect --port 28877 --help
check 0 "usage: kestrin [--port N]" "$kestrin" --headless --help
check 0 "kestrin $version" "$kestrin" --version
check 0 "kestrin $version" "$kestrin" --headless --ip 127.0.0.1 --version
# A value that looks like an option stays a value: the text of the key "--help" is looked up.
check 0 "Not found" "$kestrin" --headless --lookup --help
check 2 "kestrin: bad value 'abc' for --port" "$kestrin" --port abc
check 2 "kestrin: missing value after --port" "$kestrin" --port
check 2 "kestrin: unknown option '--frobnicate'" "$kestrin" --headless --frobnicate 1
check 0 "usage: norvane-sim" "$sim" -h
check 0 "usage: norvane-sim" "$sim" --help
check 0 "norvane-sim $version" "$sim" --version
check 2 "usage: norvane-sim" "$sim" --frobnicate
# Every option the usage names is in the manual page (packaging/*.1), and the reverse.
options() { grep -oE -- '(^|[][ |(])--?[a-z][a-z-]*' | sed 's/^[][ |(]//' | sort -u; }
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
for pair in "kestrin:$kestrin" "norvane-sim:$sim"; do
  name=${pair%%:*} program=${pair#*:}
  page=$source_dir/packaging/$name.1
  [ -f "$page" ] || continue
  usage=$("$program" --help | options)
  manual=$(sed 's/\\-/-/g; s/\\f[BIRP]//g' "$page" | options)
  if [ "$usage" != "$manual" ]; then
    echo "FAIL: options of $name --help (<) and of $page (>) differ:"
    diff <(echo "$usage") <(echo "$manual") || true
    failures=$((failures + 1))
  fi
done
if [ "$failures" -ne 0 ]; then echo "$failures command-line checks failed"; exit 1; fi
echo "command lines of kestrin and norvane-sim as expected"
