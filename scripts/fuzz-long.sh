#!/bin/sh
# The long fuzzing round (make fuzz-long): each libFuzzer target in build-fuzz runs until its
# executions reach FUZZ_RUNS (10 M) or FUZZ_SECONDS pass, in FUZZ_JOBS processes on a corpus of its
# own in build-fuzz/fuzz-long/NAME (kept from round to round, seeded from tests/data), with its
# dictionary. Then it prints, per target, each process's executions a second and the coverage
# (cov: edges, ft: features) of the corpus it left, and any crash, leak or timeout with the input
# that caused it. Exit status 1 when anything was found.
set -u

BUILD=${BUILD:-build-fuzz}
SECONDS_EACH=${FUZZ_SECONDS:-0}
RUNS=${FUZZ_RUNS:-10000000}
JOBS=${FUZZ_JOBS:-2}
TARGETS=${FUZZ_TARGETS:-"tokenizer kvn processor mission judge"}
SRC=$(cd "$(dirname "$0")/.." && pwd)
OUT=$SRC/$BUILD/fuzz-long

seeds() {
    case $1 in
        tokenizer) echo "$SRC/tests/data/fuzz" ;;
        *) echo "$SRC/tests/data/fuzz-$1" ;;
    esac
}
max_len() {
    case $1 in
        tokenizer) echo 4096 ;;
        processor) echo 2200 ;;
        *) echo 1024 ;;
    esac
}

found=0
for name in $TARGETS; do
    bin=$SRC/$BUILD/tests/fuzz/kavrin_${name}_fuzz
    [ -x "$bin" ] || { echo "fuzz-long: $bin is missing" >&2; exit 2; }
    work=$OUT/$name
    mkdir -p "$work/corpus" "$work/artifacts"
    rm -f "$work"/fuzz-*.log
    # Each process makes its share of the executions; every process reloads what the others add.
    per_job=$(( (RUNS + JOBS - 1) / JOBS ))
    limit=""
    [ "$SECONDS_EACH" -gt 0 ] && limit="-max_total_time=$SECONDS_EACH"
    start=$(date +%s)
    (cd "$work" && "$bin" -jobs="$JOBS" -workers="$JOBS" -runs="$per_job" $limit \
        -max_len="$(max_len "$name")" -dict="$SRC/tests/fuzz/$name.dict" -print_final_stats=1 \
        -artifact_prefix="$work/artifacts/" corpus "$(seeds "$name")" >/dev/null 2>&1)
    took=$(( $(date +%s) - start ))
    echo "== $name: ${took} s, $JOBS processes"
    for log in "$work"/fuzz-*.log; do
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
        rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
        echo "   $(basename "$log"): ${runs:-?} executions, ${rate:-?} exec/s"
        if grep -qE '^==[0-9]+==ERROR|^SUMMARY: |ERROR: libFuzzer|deadly signal' "$log"; then
            found=1
            grep -E '^==[0-9]+==ERROR|^SUMMARY: |ERROR: libFuzzer|Test unit written to' "$log" | sed 's/^/   /'
        fi
    done
    # The coverage of the whole corpus the round left.
    "$bin" -runs=0 -max_len="$(max_len "$name")" "$work/corpus" 2>&1 |
        sed -n 's/^#[0-9]*[[:space:]]*INITED \(cov: [0-9]* ft: [0-9]* corp: [^ ]*\).*/   corpus: \1/p'
    if [ -n "$(ls -A "$work/artifacts")" ]; then
        found=1
        echo "   found: $(ls "$work/artifacts" | tr '\n' ' ')"
    fi
done
exit $found
