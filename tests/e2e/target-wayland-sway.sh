# The native program on a headless sway (wlroots), where it draws its frame as a layer-shell
# surface: keys through wtype, the pointer through wl-pointer, windows through swaymsg, screen
# reads through grim.
# shellcheck shell=bash

source "$(dirname "${BASH_SOURCE[0]}")/target-wayland.sh"
E2E_TARGET=wayland-sway
# What the scenario's sway gets on top of its usual environment and configuration.
E2E_SWAY_ENVIRONMENT=()

# A headless sway configured by NAME.conf in its runtime folder, logging to NAME.log; once it is
# ready, its Wayland socket in sway_display and its IPC socket in sway_ipc.
start_sway() { # runtime name [VAR=VALUE...]
    local runtime=$1 name=$2
    chmod 644 "$runtime/$name.conf"
    start_session "$name.log" "$runtime" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 \
        WLR_RENDERER=pixman "${@:3}" sway -c "$runtime/$name.conf"
    sway_display=$(wayland_socket "$runtime") && wait_for 15 compgen -G "$runtime/sway-ipc.*.sock" >/dev/null ||
        { log "$name did not start (see $name.log)"; return 1; }
    sway_ipc=$(compgen -G "$runtime/sway-ipc.*.sock" | head -n1)
}

start_display() {
    private_runtime E2E_RUNTIME sway
    cat >"$E2E_RUNTIME/sway.conf" <<EOF
output HEADLESS-1 mode ${E2E_WIDTH}x${E2E_HEIGHT} position 0 0
default_border none
xwayland disable
focus_follows_mouse no
# The software cursor shows in screen reads: hidden once the pointer rests.
seat * hide_cursor 100
${E2E_SWAY_CONFIG:-}
EOF
    start_sway "$E2E_RUNTIME" sway "${E2E_SWAY_ENVIRONMENT[@]}" || return
    use_compositor "$E2E_RUNTIME" "${sway_display##*/}"
    export SWAYSOCK=$sway_ipc
    output_ready() { swaymsg -t get_outputs -r | jq -e ".[0].rect.width == $E2E_WIDTH" >/dev/null; }
    wait_for 10 output_ready || { log "sway's output is not ${E2E_WIDTH}x${E2E_HEIGHT}"; return 1; }
    start_backdrop
    start_pointer || return
    log "compositor: sway, headless, $WAYLAND_DISPLAY"
}

# The virtual pointer, on the compositor started.
start_pointer() {
    start_fed pointer "$E2E_WAYLAND_TOOLS/wl-pointer" "$E2E_WIDTH" "$E2E_HEIGHT" || return
    # sway gives the seat its pointer on the device's first motion: before any program starts.
    input_move 0 0
}
# wtype's new keyboard drops keys typed before the program has its key map.
input_keys() {
    local key keys=()
    for key; do keys+=(-k "$key"); done
    wtype -s 300 "${keys[@]}"
}
# Each answered once the compositor has handled it; moves are counted over the whole desktop.
input_move() { feed 5 move "$1" "$2" "$E2E_WIDTH" "$E2E_HEIGHT"; }
input_button() { feed 5 "${1#mouse}" "$2"; } # click|mousedown|mouseup button

# Several screens. sway 1.7 cannot switch a headless output off (wlroots 0.15 refuses: "Unsupported
# output state fields"), but an output of its Wayland backend is a window of a host compositor,
# unplugged when that window is closed. So the scenario's sway keeps its headless first output and
# makes the next ones windows of a second, headless sway; swaybg paints every output the
# desktop's colour. An output plugged back comes under a new name (WL-1, then WL-2), where a
# display plugged back into its connector keeps its own.
E2E_REPLUG_RENAMES=1
start_dummy_display() {
    private_runtime E2E_HOST_RUNTIME host
    cat >"$E2E_HOST_RUNTIME/host-sway.conf" <<EOF
output HEADLESS-1 mode 1920x1080 position 0 0
xwayland disable
for_window [app_id="wlroots"] floating enable
EOF
    start_sway "$E2E_HOST_RUNTIME" host-sway || return
    E2E_HOST_SWAYSOCK=$sway_ipc
    E2E_SWAY_ENVIRONMENT=(WAYLAND_DISPLAY="$sway_display" WLR_BACKENDS=wayland,headless WLR_WL_OUTPUTS=0)
    E2E_SWAY_CONFIG="output * bg $E2E_ROOT_COLOUR solid_color"
    start_display || return
    keyboard_plugged() { swaymsg -t get_inputs -r | jq -e 'any(.[]; .type == "keyboard")' >/dev/null; }
    plug_idle_keyboard keyboard_plugged
}

# Each wtype call unplugs its keyboard as it ends, and Qt closes its menus when the seat has no
# keyboard left: an idle keyboard stays plugged in, as a desktop's does, so that keys can walk into
# a submenu. The command given tells when it has come.
plug_idle_keyboard() { # command
    mkfifo "$E2E_RUNTIME/keyboard.in"
    wtype - <"$E2E_RUNTIME/keyboard.in" 2>>"$e2e_artifacts/keyboard.log" &
    E2E_KEYBOARD_PID=$!
    exec 6>"$E2E_RUNTIME/keyboard.in"
    wait_for 10 "$@" || { log "the idle keyboard did not come"; return 1; }
}

# While the program is stopped: the second screen's stored margins, and its place among the
# checked screens, copied to the name its output will come back under, so that it comes back as
# the same display.
second_settings_follow_rename() {
    local next=WL-$((${E2E_SECOND_OUTPUT#WL-} + 1)) token key
    is_number "${E2E_SECOND_OUTPUT#WL-}" "the number of the output $E2E_SECOND_OUTPUT" || return
    token=$(target_stored Ecrans | tr ' ' '\n' | grep -m1 "^${E2E_SECOND_OUTPUT}_") ||
        { explain "no checked screen of $E2E_SECOND_OUTPUT: $(target_stored Ecrans)"; return 1; }
    for key in Horizontale Verticale; do
        is_number "$(target_stored "$key.$token")" "the stored $key.$token" || return
        target_store "$key.$next${token#"$E2E_SECOND_OUTPUT"}" "$(target_stored "$key.$token")"
    done
    target_store Ecrans "$(target_stored Ecrans) $next${token#"$E2E_SECOND_OUTPUT"}"
}

# The active outputs, each as "x,y wxh", in sway's order.
outputs_are() {
    local listed
    listed=$(tool swaymsg -t get_outputs -r) || return
    listed=$(jq -r '.[] | select(.active) | "\(.rect.x),\(.rect.y) \(.rect.width)x\(.rect.height)"' <<<"$listed")
    same_text "$listed" "$(printf '%s\n' "$@")"
}
# The second display, 800 × 600, plugged in right of the first, or unplugged; captures then take
# the whole desktop.
plug_second() {
    local before listed
    before=$(tool swaymsg -t get_outputs -r) || return
    tool swaymsg create_output >/dev/null || return
    new_output() {
        listed=$(tool swaymsg -t get_outputs -r) || return
        E2E_SECOND_OUTPUT=$(jq -r --argjson before "$before" \
            '[.[].name] - [$before[].name] | .[0] // empty' <<<"$listed")
        [ -n "$E2E_SECOND_OUTPUT" ]
    }
    wait_for 5 new_output || return
    tool swaymsg output "$E2E_SECOND_OUTPUT" mode 800x600 position 1024 0 >/dev/null || return
    E2E_WIDTH=1824 E2E_HEIGHT=768
    wait_for 5 outputs_are "0,0 1024x768" "1024,0 800x600"
}
unplug_second() {
    tool swaymsg -s "$E2E_HOST_SWAYSOCK" "[title=\"$E2E_SECOND_OUTPUT\$\"] kill" >/dev/null || return
    E2E_WIDTH=1024 E2E_HEIGHT=768
    wait_for 5 outputs_are "0,0 1024x768"
}

# The windows shown whose title matches a regular expression, one id a line: sway's tree holds them.
windows_named() {
    swaymsg -t get_tree -r |
        jq -r --arg name "$1" '.. | objects | select(.type? == "con" or .type? == "floating_con")
            | select((.name // "") | test($name)) | .id'
}

# Layer surfaces are in no window list. With --onlyvisible: a line for each output whose left edge,
# midway down, shows a band (a shade of red, or black) rather than the desktop.
target_windows() {
    [ "${1:-}" = --onlyvisible ] || { echo zelvaro-frame; return; }
    local outputs x y h seen green blue
    outputs=$(tool swaymsg -t get_outputs -r) || return
    while read -r x y h; do
        seen=$(grim -g "$x,$((y + h / 2)) 1x1" -t ppm - | od -An -tu1 -j11 -N3) ||
            { cannot_tell "grim could not read the edge of the output at ($x,$y)"; return; }
        read -r _ green blue <<<"$seen"
        is_number "$blue" "the blue of an output's edge" || return
        if [ "$green" = 0 ] && [ "$blue" = 0 ]; then echo zelvaro-frame; fi
    done < <(jq -r '.[] | select(.active) | "\(.rect.x) \(.rect.y) \(.rect.height)"' <<<"$outputs")
}

# The client area of a window named by its sway id: sway draws the title bar outside it.
target_client_origin() {
    swaymsg -t get_tree -r | jq -r --argjson id "$1" '.. | objects | select(.id? == $id)
        | "\(.rect.x + .window_rect.x) \(.rect.y + .window_rect.y)"'
}

# A new window on a workspace of its own (the backdrop fills the first): sway tiles it over the
# workspace's usable area. No borders, gaps or title bars here: its rectangle is its client area.
target_managed_window() {
    tool swaymsg workspace managed >/dev/null && start_managed_window
}
# Where sway laid the window out; its own size too, should the window not have followed.
target_managed_geometry() {
    local rect
    rect=$(tool swaymsg -t get_tree -r | jq -r --argjson pid "$E2E_MANAGED_PID" '.. | objects
        | select(.pid? == $pid) | "\(.rect.x) \(.rect.y) \(.rect.width) \(.rect.height)"') || return
    if [ "${rect#* * }" = "$(managed_size)" ]; then echo "$rect"; else echo "$rect (window: $(managed_size))"; fi
}

# A window tiled on the second output, which sway lays out within both of its frame's bands.
target_second_work_area() {
    E2E_SECOND_AREA="1046 50 756 500"
    tool swaymsg focus output "$E2E_SECOND_OUTPUT" >/dev/null && target_managed_window
}
