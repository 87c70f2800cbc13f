#!/usr/bin/env bash
# The Debian package installed as a user installs it (apt-get, as root): /usr/bin/zelvaro starts and
# shows its frame, a second start gives way to it, a killed copy blocks nothing; removing the
# package leaves none of its files.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../e2e/lib.sh"
: "${ZELVARO_DIST:?}" "${ZELVARO_DEB_VERSION:?}"
deb=$ZELVARO_DIST/zelvaro_${ZELVARO_DEB_VERSION}_amd64.deb

if [ "$(id -u)" != 0 ]; then
    log "skipped: installing a package needs root (the CI machine runs as root)"
    exit 77
fi
installed() { dpkg-query -W -f='${Status}' zelvaro 2>/dev/null | grep -q 'install ok installed'; }
if installed; then
    log "zelvaro is already installed on this machine: remove it first (apt-get purge zelvaro)"
    exit 1
fi
trap 'installed && apt-get purge -y -qq zelvaro >/dev/null 2>&1' EXIT

mapfile -t files < <(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $NF); print $NF }')
# The dependencies are on this machine already (the build needs them): nothing is fetched.
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >"$e2e_artifacts/install.log" 2>&1 ||
    log "apt-get install failed: $(tail -n1 "$e2e_artifacts/install.log")"
check "apt-get installs the package" installed
check "the program is /usr/bin/zelvaro" test -x /usr/bin/zelvaro
check "every file of the package is in place" bash -c 'for f in "$@"; do [ -e "$f" ] || exit 1; done' _ "${files[@]}"

# Starts, shows its frame and glows, gives way to a second start, survives kill -9 of itself.
check "the installed program shows its frame and stays alone in the session" \
    env ZELVARO_BIN=/usr/bin/zelvaro E2E_ARTIFACTS="$e2e_artifacts" E2E_WM=openbox \
    "$here/../e2e/second_start.sh" linux

DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq zelvaro >"$e2e_artifacts/remove.log" 2>&1 ||
    log "apt-get purge failed: $(tail -n1 "$e2e_artifacts/remove.log")"
check "apt-get removes the package" bash -c '! dpkg-query -W -f="\${Status}" zelvaro 2>/dev/null | grep -q installed'
left=()
for f in "${files[@]}" /usr/share/doc/zelvaro; do [ -e "$f" ] && left+=("$f"); done
log "left after removal: ${left[*]:-nothing}"
check "removal leaves none of its files" test "${#left[@]}" = 0
finish
