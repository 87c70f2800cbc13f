#!/usr/bin/env bash
# The Windows set-up under Wine, in a fresh prefix: a silent install for the user alone, its
# shortcut and its Add/Remove Programs entry, no start with the session unless asked; the
# installed program shows its frame and stays alone in the session; an install over it quits it
# first, margins saved; a silent uninstall leaves nothing but the margins, and nothing at all when
# told to remove them too.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../e2e/lib.sh"
: "${ZELVARO_DIST:?}" "${ZELVARO_RELEASE_VERSION:?}"
setup=$ZELVARO_DIST/Zelvaro-$ZELVARO_RELEASE_VERSION-setup.exe

export WINEPREFIX=$e2e_artifacts/wineprefix WINEDEBUG=-all LC_ALL=C.UTF-8
# No desktop entries for the Start-menu shortcut in the real home.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
"$here/../e2e/wine-prefix.sh" "$WINEPREFIX" >/dev/null
trap 'wineserver -k 2>/dev/null || true; stop_display' EXIT
start_display

uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zelvaro'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
settings_key='HKCU\Software\Zelvaro'
windows_path() { wine cmd /c echo "$1" | tr -d '\r'; }
instdir=$(winepath -u "$(windows_path '%LOCALAPPDATA%')\\Programs\\Zelvaro" | sed 's#/$##')
shortcut=$(winepath -u "$(windows_path '%APPDATA%')\\Microsoft\\Windows\\Start Menu\\Programs\\Zelvaro.lnk")
# Everything under drive_c but the temporary folders, where the uninstaller runs a copy of itself
# that Windows deletes at the next restart.
files() { (cd "$WINEPREFIX/drive_c" && find . ! -path './users/*/Temp*' ! -path './windows/*' | sort); }
# The registry as Wine has written it: values of a key, one "name"=value a line.
registry_flushed() { wineserver -w; }
key_values() { # key as in user.reg, e.g. 'Software\\Zelvaro\\Config'
    KEY="[$1]" awk 'index($0, ENVIRON["KEY"]) == 1 { inside = 1; next } /^\[/ { inside = 0 }
        inside && /^"/ { print }' "$WINEPREFIX/user.reg"
}
value_is() { key_values "$1" | grep -qxF "\"$2\"=$3"; }
installed_files() { (cd "$instdir" && ls -1 | sort | tr '\n' ' '); }

before=$(files)
check "a silent install ends with status 0" wine "$setup" /S
registry_flushed
check "it puts zelvaro.exe, its licence and the uninstaller in %LOCALAPPDATA%\\Programs\\Zelvaro" \
    test "$(installed_files)" = "LICENSE.txt uninstall.exe zelvaro.exe "
exe_windows='C:\users\root\AppData\Local\Programs\Zelvaro\zelvaro.exe'
check "it adds the Start-menu shortcut to the program" \
    bash -c "strings -a \"\$0\" | grep -qxF '$exe_windows'" "$shortcut"
u='Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zelvaro'
check "Add/Remove Programs: DisplayName" value_is "$u" DisplayName '"Zelvaro"'
check "DisplayVersion $ZELVARO_RELEASE_VERSION" value_is "$u" DisplayVersion "\"$ZELVARO_RELEASE_VERSION\""
check "Publisher" value_is "$u" Publisher "\"L'\\xe9quipe Zelvaro\""
check "DisplayIcon" value_is "$u" DisplayIcon \
    '"C:\\users\\root\\AppData\\Local\\Programs\\Zelvaro\\zelvaro.exe,0"'
check "UninstallString" value_is "$u" UninstallString \
    '"\"C:\\users\\root\\AppData\\Local\\Programs\\Zelvaro\\uninstall.exe\""'
check "QuietUninstallString" value_is "$u" QuietUninstallString \
    '"\"C:\\users\\root\\AppData\\Local\\Programs\\Zelvaro\\uninstall.exe\" /S"'
size=$(key_values "$u" | sed -n 's/^"EstimatedSize"=dword://p')
check "EstimatedSize in KiB ($((16#${size:-0})))" test "$((16#${size:-0}))" -gt 100
check "no start with the session unless asked" \
    bash -c "! grep -qi '\"Zelvaro\"=' <<<'$(key_values 'Software\\Microsoft\\Windows\\CurrentVersion\\Run')'"

check "the installed program shows its frame and stays alone in the session" \
    env ZELVARO_EXE="$instdir/zelvaro.exe" E2E_ARTIFACTS="$e2e_artifacts" \
    "$here/../e2e/second_start.sh" windows

# Over a running copy, asking for the start with the session: the copy is closed, margins saved.
ZELVARO_EXE=$instdir/zelvaro.exe
source "$here/../e2e/target-windows.sh"
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
target_start
check "the installed program runs" wait_for 30 bands_at 20 50
xdotool key Right
check "and takes a key" wait_for 5 bands_at 21 50
check "an install over it ends with status 0" wine "$setup" /S /AUTOSTART
check "having closed the running copy" target_wait_exit 5
check "which saved its margins" test "$(target_stored Horizontale)" = 21
registry_flushed
check "the start with the session is asked for on the command line" \
    value_is 'Software\\Microsoft\\Windows\\CurrentVersion\\Run' Zelvaro \
    '"\"C:\\users\\root\\AppData\\Local\\Programs\\Zelvaro\\zelvaro.exe\""'
check "the upgrade leaves the same files" \
    test "$(installed_files)" = "LICENSE.txt uninstall.exe zelvaro.exe "

# The uninstaller runs a copy of itself and returns at once: the prefix going idle is its end.
uninstall() { wine "$instdir/uninstall.exe" /S "$@" && wineserver -w; }
check "a silent uninstall ends with status 0" uninstall
left=$(diff <(printf '%s\n' "$before") <(files) | sed -n 's/^> //p' || true)
log "files left: ${left:-none}"
check "it leaves no file" test -z "$left"
check "no Add/Remove Programs entry" test -z "$(key_values "$u")"
check "no start with the session" \
    bash -c "! grep -qi 'zelvaro' <<<'$(key_values 'Software\\Microsoft\\Windows\\CurrentVersion\\Run')'"
others=$(grep -ai 'zelvaro' "$WINEPREFIX/user.reg" | grep -v '^\[Software\\\\Zelvaro\\\\Config\]' || true)
log "other registry lines naming Zelvaro: ${others:-none}"
check "no registry entry but the margins" test -z "$others"
check "the margins are kept" value_is 'Software\\Zelvaro\\Config' Horizontale '"21"'

check "a second silent install ends with status 0" wine "$setup" /S
check "a silent uninstall asked to remove the settings ends with status 0" uninstall /PURGE
check "it leaves no file" test -z "$(diff <(printf '%s\n' "$before") <(files) | sed -n 's/^> //p' || true)"
check "nor any registry entry naming Zelvaro" bash -c "! grep -qai zelvaro '$WINEPREFIX/user.reg'"
finish
