#!/bin/sh
# No library of the core keeps an object in a writable section: everything an
# image needs lives in the image, so two images work side by side, in two
# threads at once. Allowed: what the compiler and the sanitizers add
# themselves (guard variables, personality references, ODR indicators) and
# the registry of temporary files that the command line's signal handler
# removes.
#   writable_state_test.sh BUILD_DIR
set -eu
build=$1
found=$(for lib in "$build"/modules/nvds/libnvds.a "$build"/imgforge/libimgforge_*.a; do
            objdump -t "$lib"
        done | grep -E ' O \.(data|bss|tdata|tbss)' | grep -v '\.data\.rel\.ro' |
        grep -v -e ' _ZGV' -e ' DW\.ref\.' -e 'temp_slots' -e ' __odr_asan' -e ' __asan' -e ' __ubsan' || true)
if [ -n "$found" ]; then
    echo "objects in writable sections:"
    echo "$found" | c++filt
    exit 1
fi
echo "ok"
