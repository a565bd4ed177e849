#!/usr/bin/env bash
# Builds the Debian packages with CPack from the build folder and checks what each one holds;
# lintian, where it is installed, must report no errors. Usage: deb_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >/dev/null
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
expect "libnorvanefunc_${version}_${arch}.deb" ./usr/lib/libNorvaneFunc.so ./usr/lib/libHalbox.so \
       ./usr/lib/udev/rules.d/60-norvane-usbcan.rules
expect "libnorvanefunc-dev_${version}_${arch}.deb" ./usr/include/norvane/NorvaneFunc.h \
       ./usr/lib/cmake/NorvaneFunc/NorvaneFuncConfig.cmake ./usr/lib/pkgconfig/NorvaneFunc.pc
expect "norvane-sim_${version}_${arch}.deb" ./usr/bin/norvane-sim
if [ -e "$build/bin/kestrin" ]; then
  expect "kestrin_${version}_${arch}.deb" ./usr/lib/kestrin/kestrin ./usr/bin/kestrin \
         ./usr/share/kestrin/Language/English.ini ./usr/share/applications/kestrin.desktop
fi
ls "$work"/*.deb | xargs -n1 basename
if command -v lintian >/dev/null; then
  report=$(lintian --no-tag-display-limit "$work"/*.deb 2>&1 || true)
  echo "$report"
  if grep -q '^E:' <<<"$report"; then echo "lintian reports errors"; exit 1; fi
fi
