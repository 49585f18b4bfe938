#!/bin/sh
# Shipping checks: the manual page renders without warnings, an install into
# a temporary prefix works and a consumer project builds against the
# installed engine, and the Debian package holds the expected files.
#   ship_test.sh SOURCE_DIR BUILD_DIR [SANITIZER_FLAGS]
set -eu
src=$1
build=$2
flags=${3:-}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

echo "manual page"
warnings=$(groff -ww -z -man "$build/man/imgforge.1" 2>&1)
[ -z "$warnings" ] || { echo "$warnings"; exit 1; }
MANWIDTH=80 man -l "$build/man/imgforge.1" > "$tmp/man.txt" 2> "$tmp/man.err"
[ ! -s "$tmp/man.err" ] || { cat "$tmp/man.err"; exit 1; }
grep -q "imgforge $("$build/bin/imgforge" --version | cut -d' ' -f2)" "$tmp/man.txt" ||
    { echo "manual page version differs from --version"; exit 1; }
for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" FILES EXAMPLES DIAGNOSTICS; do
    grep -q "^$section" "$tmp/man.txt" || { echo "no $section section"; exit 1; }
done
# Every option of the tool is documented.
for opt in $("$build/bin/imgforge" -h | sed -n 's/^  -\(.\) .*/\1/p'); do
    grep -q -- "^       -$opt" "$tmp/man.txt" || { echo "option -$opt not documented"; exit 1; }
done

for opt in $("$build/bin/imgforge" --help | sed -n 's/^  --\([a-z-]*\) .*/\1/p'); do
    grep -q -- "^       --$opt" "$tmp/man.txt" || { echo "option --$opt not documented"; exit 1; }
done

echo "install"
cmake --install "$build" --prefix "$tmp/prefix" > /dev/null
"$tmp/prefix/bin/imgforge" -h > /dev/null
test -f "$tmp/prefix/share/man/man1/imgforge.1"
test -f "$tmp/prefix/include/nvds.h"
test -f "$tmp/prefix/include/imgforge/imgforge.h"
# Programs built against the installed libraries, with the build's sanitizers.
set -- -DCMAKE_PREFIX_PATH="$tmp/prefix" -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="$flags"
cmake -S "$src/tests/consumer" -B "$tmp/consumer" "$@" > /dev/null
cmake --build "$tmp/consumer" > /dev/null
[ "$("$tmp/consumer/consumer")" = "02:7:ok" ] || { echo "consumer output wrong"; exit 1; }
# A C compiler alone, without the C++ runtime, builds it too.
# shellcheck disable=SC2086
cc $flags -std=c99 -Wall -Wextra -Wpedantic -Werror -I "$tmp/prefix/include" "$src/tests/consumer/main.c" \
    "$(find "$tmp/prefix" -name libnvds.a)" -o "$tmp/c_consumer"
[ "$("$tmp/c_consumer")" = "02:7:ok" ] || { echo "C consumer output wrong"; exit 1; }
# A C++ program on the core's package.
cmake -S "$src/tests/consumer_cpp" -B "$tmp/consumer_cpp" "$@" > /dev/null
cmake --build "$tmp/consumer_cpp" > /dev/null
expected="01 F6:E5:D4:C3:B2:A1
3 ERROR: failed to erase tag 02: TAG_NOT_DEFINED"
[ "$("$tmp/consumer_cpp/consumer")" = "$expected" ] || { echo "C++ consumer output wrong"; "$tmp/consumer_cpp/consumer"; exit 1; }

echo "package"
(cd "$tmp" && cpack --config "$build/CPackConfig.cmake" -B "$tmp/pkg" > /dev/null)
deb=$(ls "$tmp"/pkg/*.deb)
dpkg-deb -c "$deb" | awk '{ print $6 }' > "$tmp/contents"
for f in ./usr/bin/imgforge ./usr/share/man/man1/imgforge.1 ./usr/share/doc/imgforge/LICENSE \
         ./usr/include/nvds.h \
         ./usr/lib/libnvds.a ./usr/lib/cmake/nvds/nvdsConfig.cmake \
         ./usr/include/imgforge/imgforge.h ./usr/lib/cmake/imgforge/imgforgeConfig.cmake; do
    grep -qx "$f" "$tmp/contents" || { echo "package lacks $f"; cat "$tmp/contents"; exit 1; }
done
dpkg-deb -f "$deb" Description | grep -q "License: Apache-2.0" || { echo "package names no license"; exit 1; }
echo "ok"
