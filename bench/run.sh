#!/bin/sh
# Whole-process benchmark: median wall time of typical runs against the floor
# of starting a program that does nothing.
#   bench/run.sh [build-dir] [runs]
set -e
build=${1:-build-bench}
runs=${2:-101}
root=$(cd "$(dirname "$0")/.." && pwd)
tool=$build/bin/imgforge
timer=$build/bench/proc_bench
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 100 data files of 16 bytes, tags 01..64.
i=1
while [ $i -le 100 ]; do
    printf '%016d' $i > "$work/d$i"
    i=$((i + 1))
done
set --
i=1
while [ $i -le 100 ]; do
    set -- "$@" -t "$(printf %02x $i)" -d "$work/d$i"
    i=$((i + 1))
done
build_args="$*"

# A full 64 KiB image holding every decoded tag: the sample's records, a
# user application blob and a raw test record that fill the flash.
head -c 32000 /dev/zero | tr '\0' '\132' > "$work/app"
head -c 29500 /dev/zero | tr '\0' '\133' > "$work/ate"
set --
for f in "$root"/examples/data/*.bin; do
    tag=$(basename "$f" | cut -c1-2)
    [ "$tag" = b6 ] && f=$work/app
    set -- "$@" -t "$tag" -d "$f"
done
"$tool" "$@" -t b8 -d "$work/ate" -b -o "$work/full.bin"
ls -l "$work/full.bin" >&2

# The same flash filled with small records instead: 5 600 register writes.
set --
for f in "$root"/examples/data/*.bin; do
    set -- "$@" -t "$(basename "$f" | cut -c1-2)" -d "$f"
done
i=0
while [ $i -lt 5600 ]; do
    set -- "$@" -t fd -d "$root/examples/data/fd-MEM_W.bin"
    i=$((i + 1))
done
"$tool" "$@" -b -o "$work/many.bin"

# Two full images of 250 records of 250 bytes; the second clears bits of the first.
head -c 250 /dev/zero | tr '\0' '\177' > "$work/a"
head -c 250 /dev/zero | tr '\0' '\077' > "$work/b"
set --; set -- -t 01 -d "$work/a"
i=2; while [ $i -le 250 ]; do set -- "$@" -t "$(printf %02x $i)" -d "$work/a"; i=$((i + 1)); done
"$tool" "$@" -b -o "$work/merge_a.bin"
set --; set -- -t 01 -d "$work/b"
i=2; while [ $i -le 250 ]; do set -- "$@" -t "$(printf %02x $i)" -d "$work/b"; i=$((i + 1)); done
"$tool" "$@" -b -o "$work/merge_b.bin"

# 10 000 register-write records in a 16 MiB flash.
set -- -f 16777216
i=0
while [ $i -lt 10000 ]; do
    set -- "$@" -t fc -d "$root/examples/data/fc-PMU_W.bin"
    i=$((i + 1))
done
big_args="$*"

floor_cmd=$build/bench/empty_program_dynamic
row() {
    name=$1
    shift
    set -- $("$timer" "$runs" 10 "$floor_cmd" -- "$@")
    printf '| %-40s | %8s | %8s | %6s |\n' "$name" "$1" "$2" "$(awk "BEGIN { printf \"%.2f\", $2 / $1 }")"
}

printf '| %-40s | %8s | %8s | %6s |\n' "case" "floor µs" "case µs" "ratio"
printf '|%s|%s|%s|%s|\n' "------------------------------------------" "----------" "----------" "--------"
row "empty C++ program, statically linked" "$build/bench/empty_program"
row "empty run (text image)" "$tool"
# shellcheck disable=SC2086
row "image from 100 data files (-b)" "$tool" $build_args -b
# shellcheck disable=SC2086
row "  its file system calls alone" "$build/bench/data_files_only" $build_args -b
row "-p of a full 64 KiB image" "$tool" -r "$work/full.bin" -p
row "-v of a full 64 KiB image" "$tool" -r "$work/full.bin" -v
row "--json of a full 64 KiB image" "$tool" -r "$work/full.bin" --json
row "--check of a full 64 KiB image" "$tool" -r "$work/full.bin" --check
row "-p of 64 KiB of 5 600 register writes" "$tool" -r "$work/many.bin" -p
row "-v of 64 KiB of 5 600 register writes" "$tool" -r "$work/many.bin" -v
row "merge of two full 64 KiB images (-b)" "$tool" -r "$work/merge_a.bin" -r "$work/merge_b.bin" -b
row "OTP: -i -w ... -b" "$tool" -i -w SWD_DISABLE -w OTP_BATT_TYPE:NO_VBAT -w 80000000 -b
# shellcheck disable=SC2086
row "-f 16 MiB, 10 000 records added, -v" "$tool" $big_args -v

# --batch: 10 000 devices of three records each, against a program that only
# creates, writes and syncs the same files, and against one run of the tool
# per device.
mkdir "$work/batch"
awk 'BEGIN { print "id,BD_ADDRESS:bd_address,DEVICE_NAME:text,UART_BAUDRATE:u32"
             for (i = 0; i < 10000; i++)
                 printf "dev%05d,AA:BB:CC:DD:%02X:%02X,device %05d,115200\n", i, int(i / 256), i % 256, i }' \
    > "$work/devices.csv"
"$tool" --batch "$work/devices.csv" -O "$work/batch" 2> /dev/null
size=$(wc -c < "$work/batch/dev00000.bin")
set -- $("$timer" 11 1 "$build/bench/batch_files_only" "$work/batch" 10000 "$size" -- \
    "$tool" --batch "$work/devices.csv" -O "$work/batch")
files_us=$1
batch_us=$2
printf '\001\002\003\004\005\006' > "$work/addr"
printf 'device 00000' > "$work/name"
printf '\000\302\001\000' > "$work/baud"
set -- $("$timer" "$runs" 10 "$floor_cmd" -- "$tool" -t 01 -d "$work/addr" -t 02 -d "$work/name" \
    -t 10 -d "$work/baud" -b -o "$work/one.bin")
per_device_us=$2
printf '\n| %-40s | %10s | %6s |\n' "10 000 device images" "µs" "ratio"
printf '|%s|%s|%s|\n' "------------------------------------------" "------------" "--------"
printf '| %-40s | %10s | %6s |\n' "their file system calls alone" "$files_us" ""
printf '| %-40s | %10s | %6s |\n' "--batch, against those calls" "$batch_us" \
    "$(awk "BEGIN { printf \"%.2f\", $batch_us / $files_us }")"
printf '| %-40s | %10s | %6s |\n' "one run per device, against --batch" "$((per_device_us * 10000))" \
    "$(awk "BEGIN { printf \"%.1f\", $per_device_us * 10000 / $batch_us }")"

# The same devices from a Python loop over the module, where the build has
# it, against --batch of the table.
if [ -d "$build/python" ]; then
    echo
    /usr/bin/python3 "$root/bench/python_batch.py" "$build" 5
fi

# Memory of a large batch: 1 000 000 devices of three short cells, one of
# them a file that every row names. The peak must stay under 400 MB: it grows
# with the table's text, not with its records.
if [ -x /usr/bin/time ]; then
    printf '\001\002\003\004' > "$work/cal"
    awk 'BEGIN { print "id,BD_ADDRESS:bd_address,UART_BAUDRATE:u32,bb:file"
                 for (i = 0; i < 1000000; i++)
                     printf "d%07d,AA:BB:CC:%02X:%02X:%02X,%d,cal\n", i, int(i / 65536), int(i / 256) % 256, i % 256, i }' \
        > "$work/million.csv"
    mkdir "$work/million"
    /usr/bin/time -f '%M %e' -o "$work/million.time" \
        "$tool" --batch "$work/million.csv" -O "$work/million" 2> /dev/null
    set -- $(cat "$work/million.time")
    printf '\n| %-40s | %10s | %8s |\n' "1 000 000 device images" "peak MB" "s"
    printf '|%s|%s|%s|\n' "------------------------------------------" "------------" "----------"
    printf '| %-40s | %10s | %8s |\n' "--batch of three short cells" "$(( $1 / 1024 ))" "$2"
fi
