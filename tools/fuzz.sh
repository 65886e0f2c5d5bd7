#!/bin/sh
# Runs every fuzz target of build-fuzz/ (configure it with CXX=clang++ -DQUORVANE_FUZZ=ON, as
# ./test does) for as long as asked, each on a copy of its seed corpus in tests/fuzz/corpus, and
# says how many inputs it ran and what it found. A crash leaves its input in build-fuzz/findings
# and makes the script fail; turn each one into a regression case of the normal tests.
#   tools/fuzz.sh [SECONDS-PER-TARGET] [TARGET...]
#   tools/fuzz.sh --runs INPUTS-PER-TARGET [TARGET...]
set -eu
cd "$(dirname "$0")/.."
limit="-max_total_time=10"
what="10s"
if [ "${1:-}" = "--runs" ]; then
    limit="-runs=$2"
    what="a run of $2"
    shift 2
elif [ $# -gt 0 ]; then
    limit="-max_total_time=$1"
    what="${1}s"
    shift
fi
targets=${*:-$(cd build-fuzz/fuzz && ls -- *_fuzz | sed 's/_fuzz$//')}
mkdir -p build-fuzz/findings
status=0
for target in $targets; do
    work=$(mktemp -d)
    cp -r "tests/fuzz/corpus/$target/." "$work/"
    log="build-fuzz/findings/$target.log"
    started=$(date +%s)
    if ! "build-fuzz/fuzz/${target}_fuzz" "$limit" -print_final_stats=1 \
        -artifact_prefix="build-fuzz/findings/$target-" "$work" >"$log" 2>&1; then
        status=1
        echo "$target: FOUND a failing input, see $log"
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "$target: ${runs:-0} inputs in $(($(date +%s) - started))s ($what)"
    rm -rf "$work"
done
exit $status
