# The native Qt program, with its settings in a private configuration folder.
# shellcheck shell=bash

: "${ZELVARO_BIN:?path to the zelvaro program}"

E2E_TARGET=linux
# The X server of the test, even from a Wayland session.
unset WAYLAND_DISPLAY
export XDG_CONFIG_HOME=$e2e_artifacts/config
E2E_SETTINGS_FILE=$XDG_CONFIG_HOME/Zelvaro/Zelvaro.conf
E2E_PROGRAM=("$ZELVARO_BIN")

target_clear_settings() { rm -f "$E2E_SETTINGS_FILE"; }

# The file rewritten with that key set in [Config], owned as its folder is: the program's user
# may then write it.
target_store() { # key text
    mkdir -p "$(dirname "$E2E_SETTINGS_FILE")"
    touch "$E2E_SETTINGS_FILE"
    awk -v key="$1" -v value="$2" '
        /^\[/ { if (inside && !done) { print key "=" value; done = 1 } inside = ($0 == "[Config]") }
        inside && index($0, key "=") == 1 { if (!done) print key "=" value; done = 1; next }
        { print }
        END { if (!done) { if (!inside) print "[Config]"; print key "=" value } }
    ' "$E2E_SETTINGS_FILE" >"$E2E_SETTINGS_FILE.new" && mv "$E2E_SETTINGS_FILE.new" "$E2E_SETTINGS_FILE"
    chown --reference="${E2E_SETTINGS_FILE%/*}" "$E2E_SETTINGS_FILE"
}

target_stored() { # key
    [ -f "$E2E_SETTINGS_FILE" ] || return 0
    awk -v key="$1" '/^\[/ { inside = ($0 == "[Config]") }
        inside && index($0, key "=") == 1 { print substr($0, length(key) + 2) }' "$E2E_SETTINGS_FILE"
}

target_windows() { xdotool search "$@" --pid "$E2E_PID" 2>/dev/null || true; }

# The shell hands addresses to this recorder, first in PATH as xdg-open.
record_shell_in() { # record-file folder
    mkdir -p "$2"
    write_recorder "$2/xdg-open" "$1"
    export PATH="$2:$PATH"
}
target_record_shell() { record_shell_in "$1" "$e2e_artifacts/bin"; }

# The X window is the client area; a window manager draws its frame outside it.
target_client_origin() {
    local info x y
    info=$(tool xwininfo -id "$1") || return
    x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
    y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
    is_number "$x" "the box's left" && is_number "$y" "the box's top" && echo "$x $y"
}

# How many processes run the program under test.
target_processes() {
    # Processes come and go while find reads /proc: its complaints about them are no failure.
    { find /proc/[0-9]*/exe -maxdepth 0 -lname "$(readlink -f "$ZELVARO_BIN")" 2>/dev/null || true; } |
        wc -l
}
