# The native program on a headless labwc (wlroots), as on sway: its frame a layer-shell surface over
# the window beneath, keys through wtype, the pointer through wl-pointer, screen reads through grim.
# labwc has no IPC: its output is sized through wlr-randr, and windows are found by title through
# wlrctl (foreign-toplevel). New windows are centred and undecorated, so that a box's client area
# follows from its size.
# shellcheck shell=bash

source "$(dirname "${BASH_SOURCE[0]}")/target-wayland-sway.sh"
E2E_TARGET=wayland-labwc

start_display() {
    private_runtime E2E_RUNTIME labwc
    mkdir "$E2E_RUNTIME/labwc"
    cat >"$E2E_RUNTIME/labwc/rc.xml" <<XML
<labwc_config>
  <placement><policy>center</policy></placement>
  <windowRules><windowRule identifier="*" serverDecoration="no"/></windowRules>
</labwc_config>
XML
    chown -R "$E2E_UID:$E2E_UID" "$E2E_RUNTIME/labwc"
    start_session labwc.log "$E2E_RUNTIME" WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS=1 \
        WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman labwc -C "$E2E_RUNTIME/labwc"
    local socket
    socket=$(wayland_socket "$E2E_RUNTIME") || { log "labwc did not start (see labwc.log)"; return 1; }
    use_compositor "$E2E_RUNTIME" "${socket##*/}"
    # The headless output starts at 1920 x 1080: screen reads tell when it has the test's size.
    sized() { [ "$(grim -t ppm - 2>/dev/null | head -n2 | tail -n1)" = "$E2E_WIDTH $E2E_HEIGHT" ]; }
    wait_for 10 tool wlr-randr --output HEADLESS-1 --custom-mode "${E2E_WIDTH}x$E2E_HEIGHT" &&
        wait_for 10 sized || { log "labwc's output is not ${E2E_WIDTH}x$E2E_HEIGHT"; return 1; }
    start_backdrop fullscreen
    start_pointer || return
    # The window beneath, focused, hears of the keyboard once it is plugged in.
    plug_idle_keyboard grep -q '^keyboard enter' "$e2e_artifacts/backdrop.log" || return
    log "compositor: $(labwc --version | head -n1), headless, $WAYLAND_DISPLAY"
}

# The windows shown whose title is an anchored pattern, matched exactly; the title stands for the
# window's id.
windows_named() {
    local title=${1#^} said
    title=${title%\$}
    [ "^$title\$" = "$1" ] || { cannot_tell "only ^title\$ is looked for here, not $1"; return; }
    if said=$(wlrctl toplevel find "title:$title" 2>&1); then
        echo "$title"
    else
        [ -z "$said" ] || cannot_tell "wlrctl: $said"
    fi
}

target_client_origin() { # window width height
    echo "$(((E2E_WIDTH - $2) / 2)) $(((E2E_HEIGHT - $3) / 2))"
}

# A window that asks to be maximized, over the full-screen backdrop.
target_managed_window() { start_managed_window maximized; }
# Its size from its own configures. labwc tells no client where a window is: a maximized one fills
# the usable area, which the frame's bands keep centred, so its place follows from its size.
target_managed_geometry() {
    local width height
    read -r width height <<<"$(managed_size)"
    is_number "$height" "the managed window's height" || return
    echo "$(((E2E_WIDTH - width) / 2)) $(((E2E_HEIGHT - height) / 2)) $width $height"
}
