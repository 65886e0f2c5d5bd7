#!/bin/sh
# Builds the Debian package and proves it: its contents, lintian (no error), the sensor service
# under systemd-analyze, and, as root, a real install and removal with dpkg: the group and user,
# the helper's owner, mode and capabilities, the data folder, a capture by the installed watcher
# with the service's credentials alone, the one-writer lock between two watchers, and that
# removal leaves no installed file while keeping the data, which purging takes.
set -eu
cd "$(dirname "$0")/.."
fail() {
    echo "test-package: $*" >&2
    exit 1
}

deb=$(tools/build-package.sh)
echo "package: $deb"
contents=$(dpkg-deb --contents "$deb")
for path in ./usr/bin/quorvane ./usr/bin/quorvane-watch ./usr/libexec/quorvane/quorvane-capture \
    ./usr/share/applications/quorvane.desktop ./usr/share/icons/hicolor/scalable/apps/quorvane.svg \
    ./usr/share/icons/hicolor/22x22/apps/quorvane.png ./usr/share/icons/hicolor/256x256/apps/quorvane.png \
    ./etc/xdg/autostart/quorvane.desktop ./usr/share/metainfo/org.quorvane.Quorvane.metainfo.xml \
    ./lib/systemd/system/quorvane-watch.service ./etc/default/quorvane-watch \
    ./usr/share/doc/quorvane/copyright; do
    echo "$contents" | grep -q " $path\$" || fail "$path is not in the package"
done
for dependency in libpcap0.8 qt6-wayland qt6-qpa-plugins; do
    dpkg-deb --field "$deb" Depends | grep -q "$dependency" || fail "$dependency is not a dependency"
done

lintian --fail-on error "$deb" >build-package/lintian.txt 2>&1 || {
    cat build-package/lintian.txt
    fail "lintian reports errors"
}
echo "lintian: $(grep -c '^[EW]:' build-package/lintian.txt || true) tags, no error"

if [ "$(id -u)" -ne 0 ]; then
    echo "test-package: not root, so the package is not installed here (CI runs as root)"
    exit 0
fi

# A package from an earlier run goes first, data and all.
dpkg --purge quorvane >/dev/null 2>&1 || true
dpkg --install "$deb" >/dev/null
helper=/usr/libexec/quorvane/quorvane-capture
getent group quorvane >/dev/null || fail "no quorvane group"
getent passwd quorvane >/dev/null || fail "no quorvane user"
[ "$(stat -c '%U:%G %a' "$helper")" = "root:quorvane 750" ] || fail "helper: $(stat -c '%U:%G %a' "$helper")"
getcap "$helper" | grep -q "cap_net_admin,cap_net_raw=ep" || fail "helper: $(getcap "$helper")"
[ "$(stat -c '%G %a' /var/lib/Quorvane)" = "quorvane 2775" ] || fail "data folder: $(stat -c '%G %a' /var/lib/Quorvane)"

unit=/lib/systemd/system/quorvane-watch.service
systemd-analyze verify "$unit" || fail "systemd-analyze verify finds faults in $unit"
systemd-analyze security --offline=true "$unit" >build-package/security.txt 2>&1 || true
echo "systemd-analyze security: $(grep 'Overall exposure level' build-package/security.txt)"

# The service's credentials: the quorvane user with the two capture capabilities as ambient
# ones, nothing more. It captures on the loopback adapter, and a second watcher is refused.
as_service="setpriv --reuid=quorvane --regid=quorvane --init-groups
    --inh-caps=-all,+net_raw,+net_admin --ambient-caps=-all,+net_raw,+net_admin
    --bounding-set=-all,+net_raw,+net_admin"
out=build-package/service-run.txt
# shellcheck disable=SC2086
$as_service /usr/bin/quorvane-watch --data-dir /var/lib/Quorvane --interface lo >"$out" 2>&1 &
watcher=$!
tries=0
until grep -q "capturing on lo" "$out"; do
    tries=$((tries + 1))
    [ $tries -lt 100 ] || {
        cat "$out"
        fail "the installed watcher did not capture with the service's credentials"
    }
    sleep 0.1
done
second=$(/usr/bin/quorvane-watch --data-dir /var/lib/Quorvane --interface lo 2>&1) && fail "a second watcher ran"
echo "$second" | grep -q "is in use by another Quorvane program (quorvane-watch, process" || fail "the second watcher said: $second"
kill -TERM $watcher
wait $watcher || fail "the watcher did not end cleanly on SIGTERM: $(cat "$out")"
[ "$(stat -c '%U:%G %a' /var/lib/Quorvane/ipmac.dat)" = "quorvane:quorvane 664" ] ||
    fail "ipmac.dat: $(stat -c '%U:%G %a' /var/lib/Quorvane/ipmac.dat)"

# The program the watcher runs for each event has none of the service's capabilities.
caps=$(mktemp -d)
chmod 0777 "$caps"
printf '#!/bin/sh\ngrep -E "^Cap(Eff|Prm|Amb):" /proc/self/status >"%s/$$"\n' "$caps" >"$caps/event.sh"
chmod 0755 "$caps/event.sh"
# shellcheck disable=SC2086
$as_service /usr/bin/quorvane-watch --data-dir /var/lib/Quorvane --exec "$caps/event.sh" \
    --read tests/data/captures/distance-lan-ip-conflict.pcapng >/dev/null 2>&1 ||
    fail "the watcher with an event program did not replay"
runs=$(find "$caps" -type f ! -name event.sh | wc -l)
# Ten events of ARP and two of neighbour discovery.
[ "$runs" -eq 12 ] || fail "the event program ran $runs times, not 12"
if grep -hv "0000000000000000" "$caps"/[0-9]*; then
    fail "the event program has capabilities"
fi
rm -rf "$caps"

# Removal leaves the configuration file (a conffile) and the data; purging takes them too.
conffiles=$(dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles)
files=$(echo "$contents" | awk '$1 !~ /^d/ {print substr($6, 2)}')
dpkg --remove quorvane >/dev/null
for path in $files; do
    echo "$conffiles" | grep -qx "$path" && continue
    [ -e "$path" ] && fail "$path is left after removal"
done
[ -f /var/lib/Quorvane/ipmac.dat ] || fail "removal took the data"
dpkg --purge quorvane >/dev/null
for path in $conffiles; do
    [ -e "$path" ] && fail "$path is left after purging"
done
[ -e /var/lib/Quorvane ] && fail "purging left the data folder"
getent passwd quorvane >/dev/null && fail "purging left the quorvane user"
echo "package: installed, captured as the service, refused a second writer, removed, purged"
