#!/bin/sh
# Runs every fuzz target of build-fuzz/ (configure it with CXX=clang++ -DQUORVANE_FUZZ=ON, as
# ./test does) for as long as asked, each on a copy of its seed corpus in tests/fuzz/corpus, and
# says how many inputs it ran and what it found. A crash leaves its input in build-fuzz/findings
# and makes the script fail; turn each one into a regression case of the normal tests.
#   tools/fuzz.sh [SECONDS-PER-TARGET] [TARGET...]
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-10}
[ $# -gt 0 ] && shift
targets=${*:-$(cd build-fuzz/fuzz && ls -- *_fuzz | sed 's/_fuzz$//')}
mkdir -p build-fuzz/findings
status=0
for target in $targets; do
    work=$(mktemp -d)
    cp -r "tests/fuzz/corpus/$target/." "$work/"
    log="build-fuzz/findings/$target.log"
    if ! "build-fuzz/fuzz/${target}_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="build-fuzz/findings/$target-" "$work" >"$log" 2>&1; then
        status=1
        echo "$target: FOUND a failing input, see $log"
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "$target: ${runs:-0} inputs in ${seconds}s"
    rm -rf "$work"
done
exit $status
