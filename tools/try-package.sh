#!/usr/bin/env bash
# Installs the Debian package into a clean Debian 12 root and starts the installed program
# there once, as a check that its dependencies are complete. Run by hand, as root, after a
# build (it is not part of CI: debootstrap takes minutes and needs the network's mirror):
#   sudo ./tools/try-package.sh [build folder]
# The mirror is the one this machine's own apt sources name.
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$top/build}
[ "$(id -u)" -eq 0 ] || { echo "run as root" >&2; exit 2; }
command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y debootstrap

mirror=$({ grep -hvE '^[[:space:]]*#' /etc/apt/sources.list /etc/apt/sources.list.d/*.sources \
    /etc/apt/sources.list.d/*.list 2>/dev/null || true; } | grep -oE 'https?://[^ ]+' | grep -v security | head -n1)
[ -n "$mirror" ] || { echo "no Debian mirror in this machine's apt sources" >&2; exit 1; }

(cd "$build" && rm -f vantrel_*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$build"/vantrel_*.deb)
root=$(mktemp -d /tmp/vantrel-root.XXXXXX)
trap 'umount "$root/proc" 2>/dev/null || true; rm -rf "$root"' EXIT

debootstrap --variant=minbase bookworm "$root" "$mirror"
cp "$deb" "$root/tmp/"
mount -t proc proc "$root/proc"
chroot "$root" apt-get update
chroot "$root" env DEBIAN_FRONTEND=noninteractive apt-get install -y "/tmp/$(basename "$deb")"
# Every library the programs need resolves, and the front-end starts and stays up.
chroot "$root" sh -c '! ldd /usr/bin/Vantrel /usr/bin/VantrelEngine | grep "not found"'
status=0
chroot "$root" env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=/tmp timeout 5 /usr/bin/Vantrel || status=$?
[ "$status" -eq 124 ] || { echo "the installed Vantrel ended with status $status" >&2; exit 1; }
echo "The package installs into a clean Debian 12 root and the program starts there."
