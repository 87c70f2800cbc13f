# The native program on a headless sway (wlroots), where it draws its frame as a layer-shell
# surface, over a native Wayland window of the desktop's colour that logs what reaches it.
# sway refuses to run as root: it and the program run as an unprivileged user.
# The scenarios drive X tools; here they are stood in for by functions of the same names:
# xdotool (keys through wtype, the pointer through wl-pointer, windows through swaymsg); screen
# reads go through grim.
# shellcheck shell=bash

: "${E2E_WAYLAND_TOOLS:?folder of wl-pointer and wl-backdrop}"

# The settings file and the shell's recorder as on X11; what differs follows.
source "$(dirname "${BASH_SOURCE[0]}")/target-linux.sh"
E2E_TARGET=wayland-sway
user_side "$ZELVARO_BIN" "$E2E_WAYLAND_TOOLS/wl-backdrop"
ZELVARO_BIN=$E2E_USER_DIR/bin/$(basename "$ZELVARO_BIN")
E2E_BACKDROP=$E2E_USER_DIR/bin/wl-backdrop
# The desktop's colour, without the '#', for the window under the frame.
E2E_BACKDROP_RGB=${E2E_ROOT_COLOUR#\#}
# What the scenario's compositor gets on top of its usual environment and configuration.
E2E_SWAY_ENVIRONMENT=()

# A runtime folder of the unprivileged user's.
private_runtime() { # name
    local folder
    folder=$(mktemp -d "/tmp/zelvaro-$1.XXXXXX")
    chown "$E2E_UID:$E2E_UID" "$folder"
    chmod 700 "$folder"
    echo "$folder"
}

# A headless sway as the unprivileged user, configured by NAME.conf in its runtime folder, logging
# to NAME.log; its process id goes into the variable named, and once it is ready its Wayland socket
# into sway_display and its IPC socket into sway_ipc.
start_sway() { # runtime-folder name pid-variable [VAR=VALUE...]
    local runtime=$1 name=$2 pid_variable=$3 lock
    shift 3
    chmod 644 "$runtime/$name.conf"
    env -i PATH="$PATH" HOME="$runtime" XDG_RUNTIME_DIR="$runtime" \
        WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman "$@" \
        setpriv --reuid="$E2E_UID" --regid="$E2E_UID" --clear-groups \
        sway -c "$runtime/$name.conf" >"$e2e_artifacts/$name.log" 2>&1 &
    printf -v "$pid_variable" %s $!
    sway_ready() { compgen -G "$runtime/sway-ipc.*.sock" >/dev/null && compgen -G "$runtime/wayland-*.lock" >/dev/null; }
    wait_for 15 sway_ready || { log "$name did not start (see $name.log)"; return 1; }
    lock=$(compgen -G "$runtime/wayland-*.lock" | head -n1)
    sway_display=${lock%.lock}
    sway_ipc=$(compgen -G "$runtime/sway-ipc.*.sock" | head -n1)
}

start_display() {
    E2E_RUNTIME=$(private_runtime sway)
    cat >"$E2E_RUNTIME/sway.conf" <<EOF
output HEADLESS-1 mode ${E2E_WIDTH}x${E2E_HEIGHT} position 0 0
default_border none
xwayland disable
focus_follows_mouse no
# The software cursor shows in screen reads: hidden once the pointer rests.
seat * hide_cursor 100
${E2E_SWAY_CONFIG:-}
EOF
    start_sway "$E2E_RUNTIME" sway E2E_COMPOSITOR_PID "${E2E_SWAY_ENVIRONMENT[@]}" || return
    export XDG_RUNTIME_DIR=$E2E_RUNTIME WAYLAND_DISPLAY SWAYSOCK=$sway_ipc
    WAYLAND_DISPLAY=$(basename "$sway_display")
    unset DISPLAY XDG_SESSION_TYPE XDG_CURRENT_DESKTOP
    output_ready() { swaymsg -t get_outputs -r | jq -e ".[0].rect.width == $E2E_WIDTH" >/dev/null; }
    wait_for 10 output_ready || { log "sway's output is not ${E2E_WIDTH}x${E2E_HEIGHT}"; return 1; }
    start_beneath || return
    log "compositor: sway, headless, $WAYLAND_DISPLAY"
}

# The window beneath, then the virtual pointer, on the compositor started; extra arguments go to
# wl-backdrop.
start_beneath() {
    "${E2E_AS_USER[@]}" "$E2E_BACKDROP" "$E2E_BACKDROP_RGB" "$@" >"$e2e_artifacts/backdrop.log" 2>&1 &
    E2E_BACKDROP_PID=$!
    check "the window beneath shows the desktop colour" \
        wait_pixel $((E2E_WIDTH / 2)) $((E2E_HEIGHT / 2)) 10 "$E2E_DESKTOP"

    start_fed pointer "$E2E_WAYLAND_TOOLS/wl-pointer" "$E2E_WIDTH" "$E2E_HEIGHT" || return
    # sway gives the seat its pointer on the device's first motion: before any program starts.
    pointer move 0 0 || return 1
}

# The input device of the whole run: a tool fed commands a line each through descriptor 7, which
# answers "ready" once, then "ok" for each once the compositor has handled it, through 8.
start_fed() { # name command...
    local name=$1 reply
    shift
    rm -f "$E2E_RUNTIME/$name.in" "$E2E_RUNTIME/$name.out"
    mkfifo "$E2E_RUNTIME/$name.in" "$E2E_RUNTIME/$name.out"
    "$@" <"$E2E_RUNTIME/$name.in" >"$E2E_RUNTIME/$name.out" 2>>"$e2e_artifacts/$name.log" &
    E2E_POINTER_PID=$! E2E_FED=$name
    exec 7>"$E2E_RUNTIME/$name.in" 8<"$E2E_RUNTIME/$name.out"
    read -r -t 10 reply <&8 && [ "$reply" = ready ] || { log "$name did not start (see $name.log)"; return 1; }
}
feed() { # seconds command...: one command, answered within that time
    local reply
    printf '%s\n' "${*:2}" >&7
    read -r -t "$1" reply <&8 && [ "$reply" = ok ] || { log "$E2E_FED: ${*:2} -> ${reply:-no answer}"; return 1; }
}

stop_display() {
    stop_beneath
    local pid
    for pid in "${E2E_COMPOSITOR_PID:-}" "${E2E_HOST_PID:-}"; do
        [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
    done
    [ -n "${E2E_RUNTIME:-}" ] && rm -rf "$E2E_RUNTIME"
    [ -n "${E2E_HOST_RUNTIME:-}" ] && rm -rf "$E2E_HOST_RUNTIME"
    rm -rf "$E2E_USER_DIR"
}

# The input devices and the window beneath.
stop_beneath() {
    { exec 6>&- 7>&- 8<&-; } 2>/dev/null || true
    local pid
    for pid in "${E2E_KEYBOARD_PID:-}" "${E2E_POINTER_PID:-}" "${E2E_BACKDROP_PID:-}"; do
        [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
    done
}

# Several screens. sway 1.7 cannot switch a headless output off (wlroots 0.15 refuses: "Unsupported
# output state fields"), but an output of its Wayland backend is a window of a host compositor,
# unplugged when that window is closed. So the scenario's sway keeps its headless first output and
# makes the next ones windows of a second, headless sway; swaybg paints every output the
# desktop's colour. An output plugged back comes under a new name (WL-1, then WL-2), where a
# display plugged back into its connector keeps its own.
E2E_REPLUG_RENAMES=1
start_dummy_display() {
    E2E_HOST_RUNTIME=$(private_runtime host)
    cat >"$E2E_HOST_RUNTIME/host-sway.conf" <<EOF
output HEADLESS-1 mode 1920x1080 position 0 0
xwayland disable
for_window [app_id="wlroots"] floating enable
EOF
    start_sway "$E2E_HOST_RUNTIME" host-sway E2E_HOST_PID || return
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

# One pointer command, answered once sway has handled it; moves are counted over the whole desktop.
E2E_POINTER_X=0 E2E_POINTER_Y=0
pointer() {
    if [ "$1" = move ]; then
        feed 5 move "$2" "$3" "$E2E_WIDTH" "$E2E_HEIGHT"
    else
        feed 5 "$@"
    fi
}

# sway draws its cursor while a button is held, and screen reads show it: held, the pointer rests
# in the screen's far corner. The window pressed keeps the pointer until the release, as it would
# under the pointer.
rest_held_pointer() { xdotool mousemove $((E2E_WIDTH - 1)) $((E2E_HEIGHT - 1)); }

# The xdotool commands the scenarios use: key, mousemove, click, mousedown, mouseup, chained as
# xdotool chains them, and search [--onlyvisible] --name.
xdotool() {
    while [ $# -gt 0 ]; do
        case $1 in
        key)
            shift
            local keys=()
            while [ $# -gt 0 ] && ! [[ $1 =~ ^(key|mousemove|click|mousedown|mouseup)$ ]]; do
                keys+=(-k "$1")
                shift
            done
            # wtype's new keyboard drops keys typed before the program has its key map.
            wtype -s 300 "${keys[@]}"
            ;;
        mousemove)
            E2E_POINTER_X=$2 E2E_POINTER_Y=$3
            pointer move "$2" "$3" || return 1
            shift 3
            ;;
        click | mousedown | mouseup)
            pointer "${1#mouse}" "$2" || return 1
            [ "$1" != mousedown ] || rest_held_pointer || return 1
            shift 2
            ;;
        search)
            [ "${2:-}" != --onlyvisible ] || shift
            [ "${2:-}" = --name ] || { log "xdotool stand-in: only search [--onlyvisible] --name"; return 1; }
            windows_named "$3"
            return
            ;;
        *)
            log "xdotool stand-in: $1 is not supported"
            return 1
            ;;
        esac
    done
}

# The windows shown whose title matches a regular expression, one id a line: sway's tree holds them.
windows_named() {
    swaymsg -t get_tree -r |
        jq -r --arg name "$1" '.. | objects | select(.type? == "con" or .type? == "floating_con")
            | select((.name // "") | test($name)) | .id'
}

# Screen reads through grim, whose PPM is read as the X tool's.
screen_grab() { tool grim -g "$1,$2 $3x$4" -t ppm "$5"; } # x y width height file

# pixel_watch as lib.sh's, one screen_grab a sample: a new client and a whole output's copy each time.
# On a loaded machine it sees 3 to 8 of the 31 shades and may miss the glow's 25 ms: the fade's
# order and end are judged here, its timing by the X targets.
E2E_FADE_SHADES=2 E2E_FADE_COARSE=1
# Each sample a whole grim run: a swap is seen up to a read late, which a loaded machine stretches.
E2E_READ_SLACK_MS=1000
pixel_watch() { # x y ms
    local start now colour last='' reddened='' r g b
    start=$(now_ms)
    while now=$(now_ms) && [ $((now - start)) -le "$3" ]; do
        # One pixel, straight from the PPM after its 11-byte header.
        screen_grab "$1" "$2" 1 1 "$e2e_artifacts/pixel-watch.ppm" || return
        colour=$(od -An -tu1 -j11 -N3 "$e2e_artifacts/pixel-watch.ppm") || return
        read -r r g b <<<"$colour"
        colour=$r,$g,$b
        [ "$colour" = "$last" ] && continue
        echo "$(($(now_ms) - start)) $colour"
        # Black ends the watch once a red was seen: a menu's or a cursor's passing shade does not.
        [[ $colour =~ ^[1-9][0-9]*,0,0$ ]] && reddened=1
        last=$colour
        [ -n "$reddened" ] && [ "$colour" = "$E2E_BLACK" ] && return
    done
    echo "no change to $E2E_BLACK within $3 ms" >&2
    return 1
}

# area_watch as lib.sh's, each sample a screen_grab compared by its checksum.
area_watch() { # x y width height ms [--changes N] [--settle MS] [--save PREFIX]
    local area=("$1" "$2" "$3" "$4") limit=$5 changes=0 settle=0 prefix='' start at sum
    local shot=$e2e_artifacts/area-watch.ppm shown='' candidate='' since=0 values=0
    shift 5
    while [ $# -ge 2 ]; do
        case $1 in
        --changes) changes=$2 ;;
        --settle) settle=$2 ;;
        --save) prefix=$2 ;;
        *) echo "area_watch: unknown option $1" >&2 && return 2 ;;
        esac
        shift 2
    done
    start=$(now_ms)
    while :; do
        screen_grab "${area[@]}" "$shot" || return 2
        at=$(($(now_ms) - start))
        sum=$(md5sum <"$shot") && sum=${sum%% *}
        [ "$sum" = "$candidate" ] || { candidate=$sum since=$at && cp "$shot" "$shot.candidate"; }
        if [ "$candidate" != "$shown" ] && { [ -z "$shown" ] || [ $((at - since)) -ge "$settle" ]; }; then
            [ -n "$shown" ] || since=0
            shown=$candidate
            echo "$since $shown"
            [ -z "$prefix" ] || cp "$shot.candidate" "$prefix-$values.ppm"
            values=$((values + 1))
            [ "$changes" -eq 0 ] || [ "$values" -le "$changes" ] || return 0
        fi
        if [ "$at" -gt "$limit" ]; then
            [ "$changes" -eq 0 ] && return 0
            echo "$((values - 1)) of $changes changes within $limit ms" >&2
            return 1
        fi
    done
}

# The frame has no X window to name: the window under the pointer is the window beneath when it
# says the pointer is over it, where the pointer is. A leave that follows does not count: sway
# takes the pointer from every window when it hides the resting cursor.
window_under_pointer() {
    backdrop_has_pointer() {
        grep -E '^pointer (enter|motion)' "$e2e_artifacts/backdrop.log" | tail -n1 |
            grep -Eqx "pointer (enter|motion) $E2E_POINTER_X $E2E_POINTER_Y"
    }
    # Over a band nothing comes: the answer waits long enough for a loaded machine.
    if wait_for 3 backdrop_has_pointer; then echo backdrop; else echo zelvaro-frame; fi
}

# The window beneath is the backdrop, there from the start.
open_backdrop() { :; }

target_start() {
    mkdir -p "$XDG_CONFIG_HOME/Zelvaro"
    chown -R "$E2E_UID:$E2E_UID" "$XDG_CONFIG_HOME"
    # setpriv and env replace themselves with the program: E2E_PID is the program.
    "${E2E_AS_USER[@]}" env HOME="$E2E_RUNTIME" "$ZELVARO_BIN" >>"$e2e_artifacts/program.log" 2>&1 &
    E2E_PID=$!
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

# The program ends before its compositor does: Qt 6.4 can hang at exit when both go at once.
target_kill() {
    [ -n "${E2E_PID:-}" ] && kill "$E2E_PID" 2>/dev/null || return 0
    wait_exit "$E2E_PID" 5 || kill -KILL "$E2E_PID" 2>/dev/null || true
}

# The recorder as on X11, in the program's user's folder; the scenario reads it where it asked.
target_record_shell() { # file
    record_shell_in "$E2E_USER_DIR/shell.log" "$E2E_USER_DIR/bin"
    chown "$E2E_UID:$E2E_UID" "$E2E_USER_DIR/shell.log"
    ln -sf "$E2E_USER_DIR/shell.log" "$1"
}

# The client area of a window named by its sway id: sway draws the title bar outside it.
target_client_origin() {
    swaymsg -t get_tree -r | jq -r --argjson id "$1" '.. | objects | select(.id? == $id)
        | "\(.rect.x + .window_rect.x) \(.rect.y + .window_rect.y)"'
}
