#!/usr/bin/env bash
# The Python package installs with pip without a network (nothing to fetch: its build backend is
# its own), as a wheel, into a target folder and as an editable install, leaves nothing in the
# source tree, and carries the project's version. Usage: pip_test.sh SOURCE_DIR VERSION
# Exit 77 (skipped) without pip.
set -euo pipefail
source=$1 version=$2
python=/usr/bin/python3
"$python" -m pip --version >/dev/null 2>&1 || { echo "pip is not installed (scripts/setup.sh installs it)"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
quiet() { "$@" >"$work/step.log" 2>&1 || { echo "failed: $*"; cat "$work/step.log"; exit 1; }; }
snapshot() { (cd "$source/python" && find . -printf '%p %s %T@\n' | sort); }
before=$(snapshot)
# --no-index: pip may not look anything up; --isolated: no user or site pip configuration.
pip() { "$python" -m pip --isolated --disable-pip-version-check --no-input "$@"; }
quiet pip wheel --no-index --no-deps -w "$work/wheels" "$source/python"
quiet pip install --no-index --no-deps --target "$work/site" "$source/python"
quiet "$python" -m venv --without-pip "$work/venv"
quiet pip --python "$work/venv/bin/python" install --no-index --no-deps -e "$source/python"
after=$(snapshot)
if [ "$before" != "$after" ]; then
  echo "the build left files in the source tree (< before, > after):"
  diff <(echo "$before") <(echo "$after") || true
  exit 1
fi
ls "$work/wheels/norvane-$version-py3-none-any.whl" >/dev/null
out=$(PYTHONDONTWRITEBYTECODE=1 PYTHONPATH=$work/site "$python" -c '
import importlib.metadata, norvane
print(importlib.metadata.version("norvane"), norvane.__file__)')
[[ "$out" == "$version $work/site/norvane/__init__.py" ]] || { echo "installed package: $out"; exit 1; }
out=$(PYTHONDONTWRITEBYTECODE=1 "$work/venv/bin/python" -c 'import norvane; print(norvane.__file__)')
[[ "$out" == "$source/python/norvane/__init__.py" ]] || { echo "editable install: $out"; exit 1; }
echo "pip built and installed norvane $version offline; the source tree is unchanged"
