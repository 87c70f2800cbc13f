#!/usr/bin/env bash
# The Debian package as a user of this release meets it, on a fresh minimal system of the release
# (debootstrap, kept as an archive in the build folder): apt-get install ./… fetches what it
# depends on, /usr/bin/zelvaro shows its frame on this machine's X server, quits on Escape and
# keeps its margins, and apt-get purge leaves none of its files.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../e2e/lib.sh"
source "$here/../../scripts/debian-system.sh"
: "${ZELVARO_DIST:?}" "${ZELVARO_DEB_VERSION:?}" "${ZELVARO_FRESH_ARCHIVE:?}"
deb=$ZELVARO_DIST/zelvaro_${ZELVARO_DEB_VERSION}_amd64.deb

if [ "$(id -u)" != 0 ]; then
    log "skipped: making a system and installing into it need root (the CI machine runs as root)"
    exit 77
fi
# Mounts of its own, gone when it ends.
[ -n "${E2E_OWN_MOUNTS:-}" ] || E2E_OWN_MOUNTS=1 exec unshare --mount --propagation private "$0" "$@"

system=$(mktemp -d /var/tmp/zelvaro-fresh.XXXXXX)
target_start() {
    # chroot and env replace themselves with the program: E2E_PID is the program.
    chroot "$system" /usr/bin/env -i HOME=/root LANG=C.UTF-8 DISPLAY="$DISPLAY" /usr/bin/zelvaro \
        >>"$e2e_artifacts/program.log" 2>&1 &
    E2E_PID=$!
}
target_kill() { [ -z "${E2E_PID:-}" ] || kill "$E2E_PID" 2>/dev/null || true; }
trap 'target_kill; stop_display; debian_unmount_below "$system"
      rm -rf --one-file-system "$system" "$system.log"' EXIT
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
if [ -s "$ZELVARO_FRESH_ARCHIVE" ]; then
    tar -xf "$ZELVARO_FRESH_ARCHIVE" -C "$system"
else
    log "making a fresh $codename system"
    debian_make_system "$codename" "$system" && tar -cf "$ZELVARO_FRESH_ARCHIVE" -C "$system" . ||
        { log "no fresh system to install into"; exit 1; }
fi
debian_mount_system "$system"
inside() { debian_chroot "$system" DEBIAN_FRONTEND=noninteractive "$@"; }

cp "$deb" "$system/root/"
mapfile -t files < <(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $NF); print $NF }')
installed() { inside dpkg-query -W -f='${Status}' zelvaro 2>/dev/null | grep -q 'install ok installed'; }
inside sh -c "cd /root && apt-get update -qq && apt-get install -y -qq ./$(basename "$deb")" \
    >"$e2e_artifacts/install.log" 2>&1 || log "apt-get install failed: $(tail -n1 "$e2e_artifacts/install.log")"
check "apt-get installs the package and what it depends on" installed

start_display
target_start
check "the installed program shows its frame" wait_for 30 bands_at 20 50
xdotool key Right key Escape
check "and quits on Escape" wait_exit "$E2E_PID" 10
check "keeping its margins" grep -qx 'Horizontale=21' "$system/root/.config/Zelvaro/Zelvaro.conf"

inside apt-get purge -y -qq zelvaro >"$e2e_artifacts/remove.log" 2>&1 ||
    log "apt-get purge failed: $(tail -n1 "$e2e_artifacts/remove.log")"
check "apt-get removes the package" bash -c '! "$@"' _ installed
left=()
for f in "${files[@]}" /usr/share/doc/zelvaro; do [ -e "$system$f" ] && left+=("$f"); done
log "left after removal: ${left[*]:-nothing}"
check "removal leaves none of its files" test "${#left[@]}" = 0
finish
