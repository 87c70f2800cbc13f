# The native program on a headless labwc (wlroots), as on sway: its frame a layer-shell surface over
# the window beneath, keys through wtype, the pointer through wl-pointer, screen reads through grim.
# labwc has no IPC: its output is sized through wlr-randr, and windows are found by title through
# wlrctl (foreign-toplevel). New windows are centred and undecorated, so that a box's client area
# follows from its size.
# shellcheck shell=bash

source "$(dirname "${BASH_SOURCE[0]}")/target-wayland-sway.sh"
E2E_TARGET=wayland-labwc

start_display() {
    E2E_RUNTIME=$(private_runtime labwc)
    mkdir "$E2E_RUNTIME/labwc"
    cat >"$E2E_RUNTIME/labwc/rc.xml" <<XML
<labwc_config>
  <placement><policy>center</policy></placement>
  <windowRules><windowRule identifier="*" serverDecoration="no"/></windowRules>
</labwc_config>
XML
    chown -R "$E2E_UID:$E2E_UID" "$E2E_RUNTIME/labwc"
    env -i PATH="$PATH" HOME="$E2E_RUNTIME" XDG_RUNTIME_DIR="$E2E_RUNTIME" WLR_BACKENDS=headless \
        WLR_HEADLESS_OUTPUTS=1 WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
        "${E2E_AS_USER[@]}" labwc -C "$E2E_RUNTIME/labwc" >"$e2e_artifacts/labwc.log" 2>&1 &
    E2E_COMPOSITOR_PID=$!
    labwc_ready() { compgen -G "$E2E_RUNTIME/wayland-*.lock" >/dev/null; }
    wait_for 15 labwc_ready || { log "labwc did not start (see labwc.log)"; return 1; }
    local lock
    lock=$(compgen -G "$E2E_RUNTIME/wayland-*.lock" | head -n1)
    export XDG_RUNTIME_DIR=$E2E_RUNTIME WAYLAND_DISPLAY
    WAYLAND_DISPLAY=$(basename "${lock%.lock}")
    unset DISPLAY XDG_SESSION_TYPE XDG_CURRENT_DESKTOP
    # The headless output starts at 1920 x 1080: screen reads tell when it has the test's size.
    sized() { [ "$(grim -t ppm - 2>/dev/null | head -n2 | tail -n1)" = "$E2E_WIDTH $E2E_HEIGHT" ]; }
    wait_for 10 tool wlr-randr --output HEADLESS-1 --custom-mode "${E2E_WIDTH}x$E2E_HEIGHT" &&
        wait_for 10 sized || { log "labwc's output is not ${E2E_WIDTH}x$E2E_HEIGHT"; return 1; }
    start_beneath fullscreen || return
    # The window beneath, focused, hears of the keyboard once it is plugged in.
    backdrop_heard_keyboard() { grep -q '^keyboard enter' "$e2e_artifacts/backdrop.log"; }
    plug_idle_keyboard backdrop_heard_keyboard || return
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
