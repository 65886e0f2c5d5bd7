#!/bin/sh
# Makes an installed capture helper the only file with the capture capabilities: owned by root,
# group quorvane (made when missing), mode 0750 so that only root and the group may run it, and
# cap_net_raw and cap_net_admin. Run as root: tools/grant-helper.sh /usr/local/libexec/quorvane/quorvane-capture
set -eu
helper=$1
getent group quorvane >/dev/null || groupadd --system quorvane
chown root:quorvane "$helper"
chmod 0750 "$helper"
setcap cap_net_raw,cap_net_admin=ep "$helper"
