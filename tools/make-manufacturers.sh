#!/bin/sh
# Writes resources/manufacturers.txt, the manufacturer table built into Quorvane, from the IEEE OUI
# registry as Debian's ieee-data package ships it. One line per assignment: the key XX-XX-XX, a
# TAB and the organisation's name as the registry writes it; ascending by key, a key assigned
# more than once keeping its registry order; CR LF between lines and none after the last.
#   tools/make-manufacturers.sh [/usr/share/ieee-data/oui.txt]
# Then record the snapshot's date in resources/manufacturers.README.md.
set -eu
cd "$(dirname "$0")/.."
registry=${1:-/usr/share/ieee-data/oui.txt}
tab=$(printf '\t')
LC_ALL=C awk '
    /^[0-9A-F][0-9A-F]-[0-9A-F][0-9A-F]-[0-9A-F][0-9A-F] +\(hex\)/ {
        name = $0
        sub(/\r$/, "", name)
        sub(/^[^\t]*\t+/, "", name)
        sub(/[ \t]+$/, "", name)
        print substr($0, 1, 8) "\t" name
    }' "$registry" |
    LC_ALL=C sort -s -t "$tab" -k1,1 |
    LC_ALL=C awk '{ printf "%s%s", (NR > 1 ? "\r\n" : ""), $0 }' >resources/manufacturers.txt
echo "resources/manufacturers.txt: $(wc -l <resources/manufacturers.txt) line ends, from $registry"
