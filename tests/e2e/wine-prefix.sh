#!/usr/bin/env bash
# Makes the private Wine prefix the end-to-end tests share, once per test run.
set -euo pipefail
prefix=$1
rm -rf "$prefix"
mkdir -p "$prefix"
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# No display: the prefix needs none, and no window may linger on the test's X server.
DISPLAY= wineboot --init >/dev/null 2>&1 || true
# Under Xvfb no window manager runs: Wine then places and focuses its windows itself.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 ||
    { echo "could not turn off window management in $prefix" >&2; exit 1; }
wineserver -w
[ -f "$prefix/system.reg" ] || { echo "wineboot made no prefix in $prefix" >&2; exit 1; }
echo "Wine prefix ready in $prefix"
