# The native program on KDE Plasma's compositor, KWin, headless, where it draws its frame as a
# layer-shell surface over a native Wayland window of the desktop's colour that logs what reaches
# it. As on sway, the scenarios' X tools are stood in for by functions: xdotool through kwin-input
# (KWin's fake-input protocol), screen reads through KWin's screenshot D-Bus interface.
# That interface comes with OpenGL compositing only, which KWin 6's virtual backend has only on a
# GPU's render node: without one KWin paints with QPainter, lends no screenshots, and is run
# instead as the only window of a headless sway, whose screen grim reads.
# shellcheck shell=bash

: "${E2E_KDE_TOOLS:?folder of kwin-input}"

# The sway that KWin may run in: as on sway.
source "$(dirname "${BASH_SOURCE[0]}")/target-wayland-sway.sh"
E2E_TARGET=wayland-kde
cp "$E2E_KDE_TOOLS/kwin-input" "$E2E_USER_DIR/bin/"
# KWin's screen through its D-Bus interface; in a host sway (see start_display), sway's through grim.
slow_screen
E2E_KWIN_HOST= E2E_KWIN_ENV=()
screen_grab() { # x y width height file
    if [ -n "$E2E_KWIN_HOST" ]; then
        WAYLAND_DISPLAY=$E2E_KWIN_HOST tool grim -g "$1,$2 $3x$4" -t ppm "$5"
    else
        as_user "$E2E_SCREENSHOT" "$1" "$2" "$3" "$4" >"$5"
    fi
}

# KWin in a session of its own, so that the bus, KWin and XWayland all end with it; its backend's
# options follow. Returns once KWin answers on the bus.
start_kwin() { # options...
    start_session kwin.log "$E2E_RUNTIME" HOME="$E2E_RUNTIME/home" "${E2E_KWIN_ENV[@]}" \
        KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 \
        QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES=kwin_scripting.debug=true "${E2E_WITH_BUS[@]}" \
        "$E2E_RUNTIME/kwin_wayland" "$@" --xwayland --socket wayland-zelvaro --width "$E2E_WIDTH" \
        --height "$E2E_HEIGHT"
    kwin_answers() {
        session_bus && [ -S "$E2E_RUNTIME/wayland-zelvaro" ] || return 1
        kwin_compositing=$(as_user dbus-send --session --print-reply --dest=org.kde.KWin /KWin \
            org.kde.KWin.supportInformation 2>/dev/null | sed -n 's/^Compositing Type: //p')
        [ -n "$kwin_compositing" ]
    }
    wait_for 30 kwin_answers || { log "KWin did not start or does not composite (see kwin.log)"; return 1; }
}

start_display() {
    private_runtime E2E_RUNTIME kde
    x11_socket_folder
    mkdir -p "$E2E_RUNTIME/home"
    # KWin's binary carries a file capability that an unprivileged user may not take on: a copy
    # without it starts.
    cp /usr/bin/kwin_wayland "$E2E_RUNTIME/kwin_wayland"
    : >"$e2e_artifacts/kwin.log"
    chown -R "$E2E_UID:$E2E_UID" "$E2E_RUNTIME" "$e2e_artifacts"
    use_compositor "$E2E_RUNTIME" wayland-zelvaro
    export HOME=$E2E_RUNTIME/home
    # No decoration plugin is installed: KWin 5 offers server-side decorations all the same and
    # draws none, KWin 6 offers none, and Qt would draw a title bar of its own inside the window,
    # where no Plasma session has one. Either way the client area is the window's.
    export QT_WAYLAND_DISABLE_WINDOWDECORATION=1
    start_kwin --virtual || return
    local backend=virtual
    if [ "$kwin_compositing" = QPainter ]; then
        stop_last_session
        rm -f "$E2E_RUNTIME/bus"
        private_runtime E2E_HOST_RUNTIME host
        cat >"$E2E_HOST_RUNTIME/host-sway.conf" <<EOF
output HEADLESS-1 mode ${E2E_WIDTH}x${E2E_HEIGHT} position 0 0
default_border none
xwayland disable
EOF
        start_sway "$E2E_HOST_RUNTIME" host-sway || return
        # KWin shows its cursor through sway's pointer, which a headless sway has not: once a
        # program sets a cursor picture of its own, KWin paints no more frames.
        E2E_KWIN_ENV=(KWIN_FORCE_SW_CURSOR=1)
        start_kwin --wayland-display "$sway_display" || return
        E2E_KWIN_HOST=$sway_display backend="a window of a headless sway"
        unset E2E_SLOW_SCREEN
        E2E_FADE_SHADES=2 E2E_FADE_COARSE=1 E2E_READ_SLACK_MS=1000
    else
        # Not yet, until KWin answers with a screenshot.
        kwin_lends() { as_user "$E2E_SCREENSHOT" 0 0 1 1 >/dev/null 2>>"$e2e_artifacts/screenshot.log"; }
        wait_for 30 kwin_lends || { log "KWin composites with $kwin_compositing but lends no screenshots"; return 1; }
    fi

    start_backdrop fullscreen
    start_fed input "${E2E_AS_USER[@]}" "$E2E_USER_DIR/bin/kwin-input" || return
    xdotool mousemove 0 0
    log "compositor: KWin $(dpkg-query -W -f='${Version}' kwin-wayland), $backend, $kwin_compositing"
}

# One device throughout: KWin 6 drops a release from a device that did not press.
input_keys() { feed 30 key "$@"; }
input_move() { feed 30 mousemove "$1" "$2"; }
input_button() { feed 30 "$1" "$2"; } # click|mousedown|mouseup button
windows_named() {
    kwin_windows | awk -v name="$1" '$0 ~ "^zelvaro-window " && substr($0, index($0, "|") + 1) ~ name { print $2 }'
}

# Every window as "zelvaro-window ID X Y|CAPTION", its corner (KWin draws no frames here: the
# client area's corner), from a KWin script whose lines land in KWin's log (its scripting
# category's debug lines are on), each marked as this listing's.
kwin_windows() {
    local script=$E2E_RUNTIME/windows.js marker
    marker="list-$(now_ms)"
    # KWin 6 renamed clientList.
    cat >"$script" <<JS
for (const w of workspace.windowList ? workspace.windowList() : workspace.clientList())
    print("$marker zelvaro-window " + w.internalId + " " + w.frameGeometry.x + " "
          + w.frameGeometry.y + "|" + w.caption);
print("$marker end");
JS
    chmod 644 "$script"
    local id
    id=$(as_user dbus-send --session --print-reply --dest=org.kde.KWin /Scripting \
        org.kde.kwin.Scripting.loadScript "string:$script" "string:$marker" | awk '/int32/ { print $2 }')
    # KWin 6 serves the script under /Scripting, KWin 5 at its number.
    as_user dbus-send --session --print-reply --dest=org.kde.KWin "/Scripting/Script$id" \
        org.kde.kwin.Script.run >/dev/null 2>&1 ||
        as_user dbus-send --session --print-reply --dest=org.kde.KWin "/$id" org.kde.kwin.Script.run \
            >/dev/null
    wait_for 5 grep -q "$marker end" "$e2e_artifacts/kwin.log" || log "KWin did not list its windows"
    as_user dbus-send --session --dest=org.kde.KWin /Scripting \
        org.kde.kwin.Scripting.unloadScript "string:$marker"
    sed -n "s/.*$marker \(zelvaro-window \)/\1/p" "$e2e_artifacts/kwin.log"
}

target_client_origin() {
    kwin_windows | awk -v id="$1" '$2 == id { sub(/\|.*/, ""); print $3, $4; exit }'
}

# A window that asks to be maximized, over the full-screen backdrop.
target_managed_window() { start_managed_window maximized; }
# Its corner from KWin, its size from its own configures.
target_managed_geometry() {
    local corner
    corner=$(kwin_windows | awk '/\|maximized$/ { sub(/\|.*/, ""); print $3, $4; exit }')
    [ -n "$corner" ] || { cannot_tell "KWin lists no maximized window"; return; }
    echo "$corner $(managed_size)"
}
