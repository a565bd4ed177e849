#!/usr/bin/env bash
# Installs the build into a staging prefix and builds the example host program against the
# installed SDK twice, through find_package(NorvaneFunc) and through pkg-config; both programs
# load the installed library. Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1 source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage=$work/stage
# Every failing step says what failed: a silent exit leaves nothing to go on.
quiet() { "$@" >"$work/step.log" 2>&1 || { echo "failed: $*"; cat "$work/step.log"; exit 1; }; }
quiet cmake --install "$build" --prefix "$stage"
libdir=$(cd "$stage" && dirname "$(find . -name libNorvaneFunc.so | head -1)")
pcdir=$(cd "$stage" && dirname "$(find . -name NorvaneFunc.pc | head -1)")
for file in include/norvane/NorvaneFunc.h include/halbox/Halbox.h "$libdir/libHalbox.so" \
            "$libdir/cmake/NorvaneFunc/NorvaneFuncConfig.cmake" "$pcdir/NorvaneFunc.pc" \
            lib/udev/rules.d/60-norvane-usbcan.rules share/doc/libnorvanefunc-dev/examples/host_demo.c; do
  test -e "$stage/$file" || { echo "not installed: $file"; exit 1; }
done
if [ -e "$build/bin/kestrin" ]; then
  for file in bin/kestrin "$libdir/kestrin/Language/English.ini" "$libdir/kestrin/Images/1.bmp" \
              "$libdir/kestrin/Help/Kestrin-manual.html" share/applications/kestrin.desktop \
              share/icons/hicolor/scalable/apps/kestrin.svg; do
    test -e "$stage/$file" || { echo "not installed: $file"; exit 1; }
  done
fi

# Through the CMake package.
mkdir "$work/consumer"
cp "$source/tests/packaging/consumer/CMakeLists.txt" "$stage/share/doc/libnorvanefunc-dev/examples/host_demo.c" "$work/consumer/"
quiet cmake -S "$work/consumer" -B "$work/consumer/build" -G Ninja -DCMAKE_PREFIX_PATH="$stage"
quiet cmake --build "$work/consumer/build"
# Through pkg-config.
quiet env PKG_CONFIG_PATH="$stage/$pcdir" pkg-config --exists --print-errors NorvaneFunc
cc -o "$work/host_demo_pc" "$stage/share/doc/libnorvanefunc-dev/examples/host_demo.c" \
   $(PKG_CONFIG_PATH="$stage/$pcdir" pkg-config --cflags --libs NorvaneFunc)

version=$(sed -n 's/^project(.* VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
for program in "$work/consumer/build/host_demo" "$work/host_demo_pc"; do
  # An address nothing listens at: the program starts, reports the SDK's version and finds nothing.
  out=$(LD_LIBRARY_PATH="$stage/$libdir" "$program" 127.0.0.251 || true)
  # Here-strings, not pipes: grep -q leaving early would fail a pipeline under pipefail.
  grep -q "NorvaneFunc $version" <<<"$out" || { echo "$program: $out"; exit 1; }
  libs=$(LD_LIBRARY_PATH="$stage/$libdir" ldd "$program")
  grep -q "$stage/$libdir/libNorvaneFunc.so" <<<"$libs" || { echo "$program loads: $libs"; exit 1; }
done
echo "installed into $stage; host_demo built through the CMake package and through pkg-config"
