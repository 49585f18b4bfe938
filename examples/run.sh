#!/bin/sh
# Builds the bundled sample image from its data files and prints it.
set -e
tool=${1:-build/imgforge}
dir=$(dirname "$0")
exec "$tool" -t 01 -d "$dir/bd_address.bin" -t 02 -d "$dir/device_name.bin"
