#!/bin/sh
# Rewrites the expected Events.csv, ARP.csv and NDP.csv of the captures pinned in
# tests/data/captures/golden: one folder per capture, named after it. To pin another capture,
# make its folder and run this; then read the new files before committing them, since the test
# trusts them byte for byte. Needs a built watcher (./test or cmake --build build).
set -eu
cd "$(dirname "$0")/.."
watcher=build/quorvane-watch
[ -x "$watcher" ] || { echo "build the watcher first: $watcher is missing" >&2; exit 1; }
for golden in tests/data/captures/golden/*/; do
    capture=tests/data/captures/$(basename "$golden")
    data=$(mktemp -d)
    LC_ALL=C TZ=UTC "$watcher" --data-dir "$data" --read "$capture" >/dev/null
    rm -f "$golden/Events.csv" "$golden/ARP.csv" "$golden/NDP.csv"
    for file in Events.csv ARP.csv NDP.csv; do
        if [ -f "$data/$file" ]; then cp "$data/$file" "$golden/$file"; fi
    done
    rm -rf "$data"
    echo "$capture"
done
