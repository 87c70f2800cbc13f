# The native program on GNOME's compositor (GNOME Shell, headless), where it runs through XWayland
# with one X window per band, over a native Wayland window of the desktop's colour that logs what
# reaches it. The shell runs as an unprivileged user with its own session bus and a stand-in system
# bus, and /run/systemd hidden, so that it does not look for a login session. As on sway, the
# scenarios' X tools are stood in for by functions: xdotool through input devices that the shell
# itself creates (its Eval interface, in unsafe mode), screen reads through its screenshot interface.
# shellcheck shell=bash

source "$(dirname "${BASH_SOURCE[0]}")/target-wayland.sh"
E2E_TARGET=wayland-gnome
slow_screen
# A file of its own per process: a watch in the background grabs while the scenario does.
screen_grab() { # x y width height file
    local shot=$E2E_RUNTIME/shots/grab-$BASHPID.png
    as_user "$E2E_SCREENSHOT" "$1" "$2" "$3" "$4" "$shot" && tool convert "$shot" -alpha off "$5"
}

# Runs JavaScript in the shell and prints its result (a JSON text).
shell_eval() {
    local reply
    reply=$(as_user gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
        --method org.gnome.Shell.Eval "$1") || return 1
    [[ $reply == "(true, '"* ]] || { log "shell: $reply"; return 1; }
    reply=${reply#"(true, '"}
    printf '%s\n' "${reply%"')"}"
}

start_display() {
    private_runtime E2E_RUNTIME gnome
    x11_socket_folder
    mkdir -p "$E2E_RUNTIME/home" "$E2E_RUNTIME/shots"
    chown -R "$E2E_UID:$E2E_UID" "$E2E_RUNTIME" "$e2e_artifacts"
    # A mount namespace of its own, where /run/systemd is an empty folder; the stand-in system bus
    # (a bus of the user's own, as a session bus is, that offers no system service), then the shell
    # on a session bus.
    E2E_SESSION_WRAP=(unshare --mount --propagation private -- sh -c
        '[ ! -d /run/systemd ] || mount -t tmpfs tmpfs /run/systemd || exit 1; exec "$@"' sh)
    start_session gnome-shell.log "$E2E_RUNTIME" HOME="$E2E_RUNTIME/home" XDG_SESSION_TYPE=wayland \
        NO_AT_BRIDGE=1 DBUS_SYSTEM_BUS_ADDRESS="unix:path=$E2E_RUNTIME/system-bus" \
        sh -c 'dbus-daemon --session --address="$0" --nofork & exec "$@"' \
        "unix:path=$E2E_RUNTIME/system-bus" "${E2E_WITH_BUS[@]}" gnome-shell --headless --wayland --unsafe-mode \
        --wayland-display wayland-zelvaro --virtual-monitor "${E2E_WIDTH}x$E2E_HEIGHT"
    use_compositor "$E2E_RUNTIME" wayland-zelvaro
    export HOME=$E2E_RUNTIME/home XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME
    shell_ready() { session_bus && [ "$(shell_eval 'Main.layoutManager._startingUp' 2>/dev/null)" = false ]; }
    # Its start takes 5 s on a quiet machine and over a minute on a loaded one.
    wait_for 120 shell_ready || { log "GNOME Shell did not start (see gnome-shell.log)"; return 1; }
    # The overview the shell opens at start, and its notices, would cover the screen.
    shell_eval 'Main.overview.hide(); Main.messageTray.getSources().forEach(s => s.destroy());
        Main.messageTray.bannerBlocked = true; "hidden"' >/dev/null
    overview_gone() { [ "$(shell_eval 'Main.overview.visible || Main.overview.animationInProgress')" = false ]; }
    wait_for 10 overview_gone || { log "the overview stays open"; return 1; }
    DISPLAY=$(shell_eval 'imports.gi.GLib.getenv("DISPLAY")' | tr -d '"')
    XAUTHORITY=$(compgen -G "$E2E_RUNTIME/.mutter-Xwaylandauth.*" | head -n1)
    export DISPLAY XAUTHORITY
    [ -n "$DISPLAY" ] || { log "the shell started no XWayland"; return 1; }

    start_backdrop fullscreen
    # The shell's own pointer and keyboard: created once, ready once the window beneath sees the
    # pointer move.
    shell_eval 'const seat = imports.gi.Clutter.get_default_backend().get_default_seat();
        const type = imports.gi.Clutter.InputDeviceType;
        globalThis.zelvaroPointer ??= seat.create_virtual_device(type.POINTER_DEVICE);
        globalThis.zelvaroKeyboard ??= seat.create_virtual_device(type.KEYBOARD_DEVICE); "made"' \
        >/dev/null
    pointer_seen() { xdotool mousemove 1 1 && grep -Eq '^pointer (enter|motion) 1 1$' "$e2e_artifacts/backdrop.log"; }
    wait_for 10 pointer_seen || { log "the shell's pointer does not move"; return 1; }
    log "compositor: $(gnome-shell --version), headless; XWayland on $DISPLAY"
}

# Input through the shell's own devices.
shell_input() {
    shell_eval "const C = imports.gi.Clutter, t = () => imports.gi.GLib.get_monotonic_time();
        const p = globalThis.zelvaroPointer, k = globalThis.zelvaroKeyboard; $1 'sent'" >/dev/null
}
input_keys() {
    local key script=''
    for key; do
        script+="k.notify_keyval(t(), C.KEY_$key, C.KeyState.PRESSED);"
        script+="k.notify_keyval(t(), C.KEY_$key, C.KeyState.RELEASED);"
    done
    shell_input "$script"
}
# A button that follows a motion at once goes where the pointer was: the motion is sent on its own.
input_move() {
    shell_input "p.notify_absolute_motion(t(), $1, $2);" || return 1
    # Over an X window, the X server must have the pointer there too.
    [ "$(shell_eval "const w = global.get_window_actors().map(a => a.meta_window)
            .filter(w => { const r = w.get_frame_rect(); return $1 >= r.x && $2 >= r.y
                && $1 < r.x + r.width && $2 < r.y + r.height; }).pop();
            w ? w.get_client_type() : -1")" = 1 ] || return 0
    x_pointer_there() { [ "$(command xdotool getmouselocation | cut -d' ' -f1-2)" = "x:$1 y:$2" ]; }
    wait_for 5 x_pointer_there "$1" "$2" || { log "XWayland's pointer did not reach $1,$2"; return 1; }
}
input_button() { # click|mousedown|mouseup button
    local script=''
    [ "$1" = mouseup ] || script+="p.notify_button(t(), $2, C.ButtonState.PRESSED);"
    [ "$1" = mousedown ] || script+="p.notify_button(t(), $2, C.ButtonState.RELEASED);"
    shell_input "$script"
}
# The shell's screenshots leave the cursor out.
rest_held_pointer() { :; }
windows_named() {
    shell_eval "global.get_window_actors().map(a => a.meta_window)
        .filter(w => new RegExp($(printf '%s' "$1" | jq -Rs .)).test(w.get_title() || ''))
        .map(w => w.get_id()).join(' ')" | tr -d '"' | tr ' ' '\n' | grep .
}

# The client area of a window named by its shell id.
target_client_origin() {
    shell_eval "const w = global.get_window_actors().map(a => a.meta_window)
            .find(w => w.get_id() == $1);
        const r = w.frame_rect_to_client_rect(w.get_frame_rect()); r.x + ' ' + r.y" | tr -d '"'
}

# The shell's top bar keeps its own strip of the screen.
target_free_area() {
    shell_eval 'const a = Main.layoutManager.getWorkAreaForMonitor(0); [a.x, a.y, a.width, a.height].join(" ")' |
        tr -d '"'
}
