# The native program on KDE Plasma's compositor, KWin, headless (its virtual backend), where it
# draws its frame as a layer-shell surface over a native Wayland window of the desktop's colour
# that logs what reaches it. As on sway, the scenarios' X tools are stood in for by functions:
# xdotool through kwin-input (KWin's fake-input protocol), screen reads through KWin's screenshot
# D-Bus interface.
# shellcheck shell=bash

: "${E2E_KDE_TOOLS:?folder of kwin-input}"

# The settings, the shell's recorder, the program started as the session's user and the window
# beneath read from its log: as on sway.
source "$(dirname "${BASH_SOURCE[0]}")/target-wayland-sway.sh"
E2E_TARGET=wayland-kde
E2E_KWIN_SCREENSHOT=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wayland/kwin-screenshot.py
E2E_PID=

# Screen reads take about a second here (see frame.sh).
E2E_SLOW_SCREEN=1
# So the watches see a fade's glow and its end, not its shades, and time the donation picture's
# swaps to a read or so.
E2E_FADE_SHADES=0 E2E_READ_SLACK_MS=1500
screen_grab() { as_user "$E2E_KWIN_SCREENSHOT" "$1" "$2" "$3" "$4" - >"$5"; } # x y width height file

as_user() { setpriv --reuid="$E2E_UID" --regid="$E2E_UID" --clear-groups "$@"; }

start_display() {
    E2E_RUNTIME=$(mktemp -d /tmp/zelvaro-kde.XXXXXX)
    chmod 700 "$E2E_RUNTIME"
    mkdir -p "$XDG_CONFIG_HOME" "$E2E_RUNTIME/home"
    # KWin's binary carries a file capability that an unprivileged user may not take on: a copy
    # without it starts.
    cp /usr/bin/kwin_wayland "$E2E_RUNTIME/kwin_wayland"
    chown -R "$E2E_UID:$E2E_UID" "$E2E_RUNTIME" "$XDG_CONFIG_HOME" "$e2e_artifacts"
    # A session of its own, so that the bus, KWin and XWayland all end with it.
    setsid env -i PATH="$PATH" HOME="$E2E_RUNTIME/home" XDG_RUNTIME_DIR="$E2E_RUNTIME" \
        KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 \
        QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES=kwin_scripting.debug=true \
        setpriv --reuid="$E2E_UID" --regid="$E2E_UID" --clear-groups \
        dbus-run-session -- sh -c 'echo "$DBUS_SESSION_BUS_ADDRESS" >"$XDG_RUNTIME_DIR/bus" &&
            exec "$XDG_RUNTIME_DIR/kwin_wayland" --virtual --xwayland --socket wayland-zelvaro \
                --width '"$E2E_WIDTH"' --height '"$E2E_HEIGHT" >"$e2e_artifacts/kwin.log" 2>&1 &
    E2E_KWIN_PID=$!
    export XDG_RUNTIME_DIR=$E2E_RUNTIME WAYLAND_DISPLAY=wayland-zelvaro HOME=$E2E_RUNTIME/home
    unset DISPLAY XDG_SESSION_TYPE XDG_CURRENT_DESKTOP
    kwin_ready() {
        [ -s "$E2E_RUNTIME/bus" ] && [ -S "$E2E_RUNTIME/wayland-zelvaro" ] || return 1
        DBUS_SESSION_BUS_ADDRESS=$(cat "$E2E_RUNTIME/bus")
        export DBUS_SESSION_BUS_ADDRESS
        # Not yet, until KWin answers with a screenshot.
        as_user "$E2E_KWIN_SCREENSHOT" 0 0 1 1 - >/dev/null 2>>"$e2e_artifacts/screenshot.log" || return 1
    }
    wait_for 30 kwin_ready || { log "KWin did not start or lends no screenshots (see kwin.log)"; return 1; }

    as_user "$E2E_WAYLAND_TOOLS/wl-backdrop" "$E2E_BACKDROP_RGB" fullscreen >"$e2e_artifacts/backdrop.log" 2>&1 &
    E2E_BACKDROP_PID=$!
    check "the window beneath shows the desktop colour" \
        wait_pixel $((E2E_WIDTH / 2)) $((E2E_HEIGHT / 2)) 10 "$E2E_DESKTOP"
    xdotool mousemove 0 0
    log "compositor: KWin $(dpkg-query -W -f='${Version}' kwin-wayland), virtual backend"
}

stop_display() {
    [ -n "${E2E_BACKDROP_PID:-}" ] && kill "$E2E_BACKDROP_PID" 2>/dev/null
    if [ -n "${E2E_KWIN_PID:-}" ]; then
        kill -- -"$E2E_KWIN_PID" 2>/dev/null || true
        wait "$E2E_KWIN_PID" 2>/dev/null || true
    fi
    [ -n "${E2E_RUNTIME:-}" ] && rm -rf "$E2E_RUNTIME"
    true
}

# The xdotool commands the scenarios use, and search --name through a KWin script.
E2E_POINTER_X=0 E2E_POINTER_Y=0
xdotool() {
    if [ "${1:-}" = search ]; then
        # Only windows shown are listed.
        [ "${2:-}" != --onlyvisible ] || shift
        [ "${2:-}" = --name ] || { log "xdotool stand-in: only search [--onlyvisible] --name"; return 1; }
        kwin_windows | awk -v name="$3" '$0 ~ "^zelvaro-window " && substr($0, index($0, "|") + 1) ~ name { print $2 }'
        return
    fi
    local args=("$@") i
    for ((i = 0; i < ${#args[@]}; i++)); do
        if [ "${args[i]}" = mousemove ]; then
            E2E_POINTER_X=${args[i + 1]} E2E_POINTER_Y=${args[i + 2]}
        fi
    done
    as_user "$E2E_KDE_TOOLS/kwin-input" "$@"
}

# Every window as "zelvaro-window ID X Y|CAPTION", its corner (KWin draws no frames here: the
# client area's corner), from a KWin script whose lines land in KWin's log (its scripting
# category's debug lines are on), each marked as this listing's.
kwin_windows() {
    local script=$E2E_RUNTIME/windows.js marker
    marker="list-$(now_ms)"
    cat >"$script" <<JS
for (const w of workspace.clientList())
    print("$marker zelvaro-window " + w.internalId + " " + w.frameGeometry.x + " "
          + w.frameGeometry.y + "|" + w.caption);
print("$marker end");
JS
    chmod 644 "$script"
    local id
    id=$(as_user dbus-send --session --print-reply --dest=org.kde.KWin /Scripting \
        org.kde.kwin.Scripting.loadScript "string:$script" "string:$marker" | awk '/int32/ { print $2 }')
    as_user dbus-send --session --print-reply --dest=org.kde.KWin "/$id" org.kde.kwin.Script.run \
        >/dev/null
    listed() { grep -q "$marker end" "$e2e_artifacts/kwin.log"; }
    wait_for 5 listed || log "KWin did not list its windows"
    as_user dbus-send --session --dest=org.kde.KWin /Scripting \
        org.kde.kwin.Scripting.unloadScript "string:$marker"
    sed -n "s/.*$marker \(zelvaro-window \)/\1/p" "$e2e_artifacts/kwin.log"
}

target_client_origin() {
    kwin_windows | awk -v id="$1" '$2 == id { sub(/\|.*/, ""); print $3, $4; exit }'
}

# The reds of pixel ($1,$2) until black, at most $3 seconds, as lib.sh's fade_reds: one pixel read
# again and again over one connection, often enough for the 25 ms shades.
fade_reds() { as_user "$E2E_KWIN_SCREENSHOT" --reds "$@" || echo unreadable; }
