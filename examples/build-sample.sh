#!/bin/sh
# Rebuilds sample.bin from the data files (named <tag>-<NAME>.bin) in tag order.
set -e
tool=${1:-build/bin/imgforge}
dir=$(dirname "$0")
set --
for f in "$dir"/data/*.bin; do
    tag=$(basename "$f" | cut -d- -f1)
    set -- "$@" -t "$tag" -d "$f"
done
"$tool" "$@" -b -o "$dir/sample.bin"
"$tool" -r "$dir/sample.bin" -p > "$dir/sample.txt"
