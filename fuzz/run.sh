#!/bin/sh
# Builds the seed corpora and runs every fuzz target for a while.
#   fuzz/run.sh [build-dir] [seconds per target]
set -e
build=${1:-build-fuzz}
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
corpus=$build/corpus
tool=$build/bin/imgforge
mkdir -p "$corpus/fuzz_image" "$corpus/fuzz_decoders" "$corpus/fuzz_engine" "$corpus/fuzz_inputs"

# Images: the sample, its OTP form, a merge source and a corrupt chain.
cp "$root/examples/sample.bin" "$corpus/fuzz_image/sample.bin"
"$tool" -i -w SWD_DISABLE -w OTP_BATT_TYPE:NO_VBAT -t 01 \
    -d "$root/examples/data/01-BD_ADDRESS.bin" -b -o "$corpus/fuzz_image/otp.bin"
"$tool" -t fc -d "$root/examples/data/fc-PMU_W.bin" -t fc -d "$root/examples/data/fc-PMU_W.bin" \
    -l fc -b -o "$corpus/fuzz_image/workarounds.bin"
printf 'NVDS\001\006\177' > "$corpus/fuzz_image/corrupt.bin"
# The sample as Intel HEX and as S-records.
"$tool" -r "$root/examples/sample.bin" --ihex -o "$corpus/fuzz_image/sample.hex"
"$tool" -r "$root/examples/sample.bin" --srec -o "$corpus/fuzz_image/sample.srec"
cp "$root"/fuzz/corpus/image/* "$corpus/fuzz_image/"
# Manifests and device tables: the sample as a manifest and the examples.
"$tool" -r "$root/examples/sample.bin" --json > "$corpus/fuzz_inputs/sample.json"
cp "$root"/examples/*.json "$root"/examples/*.csv "$root"/fuzz/corpus/inputs/* "$corpus/fuzz_inputs/"
# Records: the tag byte, then the content of each sample data file.
for f in "$root"/examples/data/*.bin; do
    tag=$(basename "$f" | cut -c1-2)
    { printf "\\$(printf '%03o' "0x$tag")"; cat "$f"; } > "$corpus/fuzz_decoders/$tag.bin"
done

# Longest input per target: a whole flash image, a whole record, an operation list.
max_len() {
    case $1 in
    fuzz_image) echo 70000 ;;
    fuzz_decoders) echo 32768 ;;
    fuzz_inputs) echo 16384 ;;
    *) echo 4096 ;;
    esac
}

for target in fuzz_engine fuzz_image fuzz_decoders fuzz_inputs; do
    echo "== $target ($seconds s)"
    # Inputs that once failed stay in the corpus.
    regressions=$root/fuzz/regressions/$target
    [ -d "$regressions" ] || regressions=
    "$build/fuzz/$target" -max_total_time="$seconds" -max_len="$(max_len $target)" -close_fd_mask=2 -print_final_stats=1 \
        -artifact_prefix="$build/$target-" "$corpus/$target" $regressions \
        2>&1 | grep -E '^(stat::number_of_executed_units|Done)|DONE|ERROR|mismatch' || true
    if ls "$build/$target"-* >/dev/null 2>&1; then
        echo "$target found a failing input: $(ls "$build/$target"-*)"
        exit 1
    fi
done
