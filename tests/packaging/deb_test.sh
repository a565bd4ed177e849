#!/usr/bin/env bash
# Builds the Debian packages with CPack from the build folder, checks what each one holds, runs
# lintian (pedantic) where it is installed: no errors, and no warning but those the README
# explains (the table below). Then unpacks every package into a staging root and uses it there:
# a host program built through the installed pkg-config file, the Python package, and Kestrin run
# as root, which must write nothing under the installation.
# Usage: deb_test.sh BUILD_DIR [--without-kestrin-root-check]
set -euo pipefail
build=$1
root_check=true
[ "${2:-}" = --without-kestrin-root-check ] && root_check=false
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
quiet() { "$@" >"$work/step.log" 2>&1 || { echo "failed: $*"; cat "$work/step.log"; exit 1; }; }
quiet cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work"
expect() {  # package file, then paths its contents must list
  local deb=$work/$1; shift
  test -f "$deb" || { echo "no package $1"; ls "$work"; exit 1; }
  local contents; contents=$(dpkg-deb --contents "$deb")
  for path in "$@"; do
    grep -q -- "$path" <<<"$contents" || { echo "$deb lacks $path"; echo "$contents"; exit 1; }
  done
}
version=$(sed -n 's/^CPACK_PACKAGE_VERSION:STRING=//p; s/^set(CPACK_PACKAGE_VERSION "\(.*\)")/\1/p' \
          "$build/CPackConfig.cmake" | head -1)
arch=$(dpkg --print-architecture)
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)
expect "libnorvanefunc_${version}_${arch}.deb" ./usr/lib/libNorvaneFunc.so ./usr/lib/libHalbox.so \
       ./usr/lib/udev/rules.d/60-norvane-usbcan.rules
expect "libnorvanefunc-dev_${version}_${arch}.deb" ./usr/include/norvane/NorvaneFunc.h \
       ./usr/lib/cmake/NorvaneFunc/NorvaneFuncConfig.cmake "./usr/lib/$multiarch/pkgconfig/NorvaneFunc.pc"
expect "norvane-sim_${version}_${arch}.deb" ./usr/bin/norvane-sim ./usr/share/man/man1/norvane-sim.1.gz
kestrin=false
if [ -e "$build/bin/kestrin" ]; then
  kestrin=true
  expect "kestrin_${version}_${arch}.deb" ./usr/lib/kestrin/kestrin ./usr/lib/kestrin/kestrin-installed ./usr/bin/kestrin \
         ./usr/share/kestrin/Language/English.ini ./usr/share/applications/kestrin.desktop \
         ./usr/share/man/man1/kestrin.1.gz
fi
python=false
if [ -d "$build/python-package" ]; then
  python=true
  expect "python3-norvane_${version}_all.deb" ./usr/lib/python3/dist-packages/norvane/__init__.py \
         "./usr/lib/python3/dist-packages/norvane-$version.dist-info/METADATA"
  if dpkg-deb --contents "$work/python3-norvane_${version}_all.deb" | grep -q __pycache__; then
    echo "python3-norvane carries bytecode"; exit 1
  fi
fi
ls "$work"/*.deb | xargs -n1 basename

# Each package has its own synopsis, and no description line displays as verbatim text.
synopses=$(for deb in "$work"/*.deb; do dpkg-deb -f "$deb" Description | head -1; done)
if [ "$(sort -u <<<"$synopses" | wc -l)" -ne "$(wc -l <<<"$synopses")" ]; then
  echo "packages share a synopsis:"; echo "$synopses"; exit 1
fi
for deb in "$work"/*.deb; do
  if dpkg-deb -f "$deb" Description | tail -n +2 | grep -q '^  '; then
    echo "$(basename "$deb"): description lines display as verbatim text"; exit 1
  fi
done

# lintian: the warnings left, each explained in the README ("Debian packages").
allowed_warnings=(
  libnorvanefunc:shared-library-lacks-version
)
if command -v lintian >/dev/null; then
  report=$(lintian --pedantic --tag-display-limit 0 "$work"/*.deb 2>&1 || true)
  echo "$report"
  if grep -q '^E:' <<<"$report"; then echo "lintian reports errors"; exit 1; fi
  unexplained=$(grep '^W:' <<<"$report" | while read -r _ package tag _; do
    package=${package%:}; package=${package% (*}
    [[ " ${allowed_warnings[*]} " == *" $package:$tag "* ]] || echo "$package $tag"
  done)
  if [ -n "$unexplained" ]; then echo "lintian warnings the README does not explain:"; echo "$unexplained"; exit 1; fi
else
  echo "lintian is not installed (scripts/setup.sh installs it): its check is skipped"
fi

# Every package unpacked into a staging root, as dpkg would lay it out (without running the
# maintainer scripts, which act on the real system).
stage=$work/root
for deb in "$work"/*.deb; do dpkg-deb -x "$deb" "$stage"; done

# The installed pkg-config file: plain paths, usable through a sysroot.
pcdir=$stage/usr/lib/$multiarch/pkgconfig
flags=$(PKG_CONFIG_SYSROOT_DIR=$stage PKG_CONFIG_LIBDIR=$pcdir pkg-config --keep-system-cflags --keep-system-libs \
        --cflags --libs NorvaneFunc)
if [[ "$flags" == *..* ]] || [[ "$flags" != *"-I$stage/usr/include"* ]] || [[ "$flags" != *"-L$stage/usr/lib"* ]]; then
  echo "pkg-config flags: $flags"; exit 1
fi
# shellcheck disable=SC2086
quiet cc -o "$work/host_demo" "$stage/usr/share/doc/libnorvanefunc-dev/examples/host_demo.c" $flags
out=$(LD_LIBRARY_PATH=$stage/usr/lib "$work/host_demo" 127.0.0.251 || true)
grep -q "NorvaneFunc $version" <<<"$out" || { echo "host_demo from the staged packages: $out"; exit 1; }

# The Python package from the staging root loads the staged SDK and knows its version.
if $python; then
  out=$(PYTHONDONTWRITEBYTECODE=1 PYTHONPATH=$stage/usr/lib/python3/dist-packages \
        NORVANE_LIBRARY=$stage/usr/lib/libNorvaneFunc.so /usr/bin/python3 -c '
import importlib.metadata, norvane
norvane.Sdk()
print(importlib.metadata.version("norvane"), norvane.__file__)')
  [[ "$out" == "$version $stage/usr/lib/python3/dist-packages/norvane/__init__.py" ]] ||
    { echo "python3-norvane from the staging root: $out"; exit 1; }
fi

# Kestrin run as root (the owner of the staged files) from the staging root writes nothing
# under it: the window starts (offscreen), runs a moment and is stopped.
if $kestrin && ! $root_check; then
  echo "skipped: the check that Kestrin run as root writes nothing under its installation"
elif $kestrin; then
  snapshot() { (cd "$stage" && find . -printf '%p %s %T@\n' | sort); }
  before=$(snapshot)
  mkdir -p "$work/home"
  status=0
  env HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" QT_QPA_PLATFORM=offscreen \
      timeout -s TERM 4 "$stage/usr/bin/kestrin" >"$work/kestrin.log" 2>&1 || status=$?
  # 124: still running when stopped (anything else: it never got going, and the check means nothing).
  if [ "$status" -ne 124 ]; then echo "kestrin ended with $status:"; cat "$work/kestrin.log"; exit 1; fi
  after=$(snapshot)
  if [ "$before" != "$after" ]; then
    echo "kestrin run as root wrote under the installation (< before, > after):"
    diff <(echo "$before") <(echo "$after") || true
    exit 1
  fi
fi
echo "packages built, checked and used from a staging root"
