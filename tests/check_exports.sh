#!/usr/bin/env bash
# Compares the dynamic symbol table of libNorvaneFunc.so with the names the header declares.
set -euo pipefail
library=$1
expected=$2
actual=$(nm -D --defined-only "$library" | awk '$2 ~ /^[TtWwDdBbVvRr]$/ {print $3}' | sed 's/@.*//' | sort -u)
wanted=$(sort -u "$expected")
if [ "$actual" != "$wanted" ]; then
  echo "exported symbols differ from the header (< exported, > declared):"
  diff <(echo "$actual") <(echo "$wanted") || true
  exit 1
fi
echo "$(echo "$actual" | wc -l) exports match the header"
