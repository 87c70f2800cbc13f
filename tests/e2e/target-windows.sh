# The Windows program under Wine, in a private prefix made once per test run.
# shellcheck shell=bash

: "${ZELVARO_EXE:?path to zelvaro.exe}"
: "${WINEPREFIX:?private Wine prefix}"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

E2E_TARGET=windows
E2E_SETTINGS_KEY='HKCU\Software\Zelvaro\Config'
E2E_PROGRAM=(wine "$ZELVARO_EXE")

# Wine's own processes go with the program.
target_kill() {
    kill "${E2E_PID:-}" 2>/dev/null || true
    target_end
}
target_end() { wineserver -k 2>/dev/null || true; }

target_clear_settings() { wine reg delete "$E2E_SETTINGS_KEY" /f >/dev/null 2>&1 || true; }

target_store() { # key text
    wine reg add "$E2E_SETTINGS_KEY" /v "$1" /t REG_SZ /d "$2" /f >/dev/null 2>&1
}

target_stored() { # key
    wine reg query "$E2E_SETTINGS_KEY" /v "$1" 2>/dev/null | tr -d '\r' |
        sed -n "s/^ *$1 *REG_SZ *//p"
}

target_windows() { xdotool search "$@" --class zelvaro.exe 2>/dev/null || true; }

# The shell hands addresses to this recorder instead of a browser or a mail program.
target_record_shell() {
    local recorder=$e2e_artifacts/record-address
    write_recorder "$recorder" "$1"
    for kind in Browsers Mailers; do
        wine reg add 'HKCU\Software\Wine\WineBrowser' /v "$kind" /t REG_SZ /d "$recorder" /f \
            >/dev/null 2>&1
    done
}

# Wine draws the frame and caption of its windows inside the X window: the client area is what
# is left once they are taken off.
target_client_origin() { # window client-width client-height
    local X Y WIDTH HEIGHT SCREEN WINDOW border geometry value
    geometry=$(tool xdotool getwindowgeometry --shell "$1") || return
    eval "$geometry"
    for value in "$X" "$Y" "$WIDTH" "$HEIGHT"; do is_number "$value" "the box's geometry" || return; done
    border=$(((WIDTH - $2) / 2))
    [ "$border" -ge 0 ] && [ "$HEIGHT" -ge "$3" ] ||
        cannot_tell "a ${WIDTH}x$HEIGHT window has no ${2}x$3 client area" || return
    echo "$((X + border)) $((Y + HEIGHT - $3 - border))"
}

# How many processes of this prefix run the program under test.
target_processes() {
    local cmdline count=0
    # Processes come and go while grep reads /proc: its complaints about them are no failure.
    for cmdline in $(grep -laiF "$(basename "$ZELVARO_EXE")" /proc/[0-9]*/cmdline 2>/dev/null || true); do
        grep -qzxF "WINEPREFIX=$WINEPREFIX" "${cmdline%/cmdline}/environ" 2>/dev/null &&
            count=$((count + 1))
    done
    echo "$count"
}

target_second_work_area() { return 1; } # Wine keeps the desktop toolbars, not their space
