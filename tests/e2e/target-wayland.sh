# What the compositor targets share. Compositors refuse root: the compositor and the native
# program run as an unprivileged user, which may not enter the build tree (root's home is mode
# 700), so what that user runs, reads and writes lives in a folder of its own, E2E_USER_DIR. The
# program runs over a native window of the desktop's colour that logs what reaches it.
# shellcheck shell=bash

: "${E2E_WAYLAND_TOOLS:?folder of wl-pointer and wl-backdrop}"
# The settings file and the shell's recorder as on X11.
source "$(dirname "${BASH_SOURCE[0]}")/target-linux.sh"

E2E_UID=65534
# A simple command, not a function, so that a program started with it in the background is $!.
E2E_AS_USER=(setpriv --reuid="$E2E_UID" --regid="$E2E_UID" --clear-groups)
as_user() { "${E2E_AS_USER[@]}" "$@"; }

# The user's folder, with the settings; the program and the window beneath in its bin/.
E2E_USER_DIR=$(mktemp -d /tmp/zelvaro-user.XXXXXX)
export XDG_CONFIG_HOME=$E2E_USER_DIR/config
E2E_SETTINGS_FILE=$XDG_CONFIG_HOME/Zelvaro/Zelvaro.conf
mkdir -p "$E2E_USER_DIR/bin" "$XDG_CONFIG_HOME/Zelvaro"
cp "$ZELVARO_BIN" "$E2E_WAYLAND_TOOLS/wl-backdrop" "$E2E_USER_DIR/bin/"
chown -R "$E2E_UID:$E2E_UID" "$E2E_USER_DIR"
ZELVARO_BIN=$E2E_USER_DIR/bin/${ZELVARO_BIN##*/}
# setpriv and env replace themselves with the program: E2E_PID is the program.
E2E_PROGRAM=("${E2E_AS_USER[@]}" env HOME="$E2E_USER_DIR" "$ZELVARO_BIN")
# What stop_display ends and removes.
E2E_SESSIONS=() E2E_FOLDERS=("$E2E_USER_DIR")

# A runtime folder of the user's, its path in the variable named.
private_runtime() { # variable name
    local folder
    folder=$(mktemp -d "/tmp/zelvaro-$2.XXXXXX")
    chown "$E2E_UID:$E2E_UID" "$folder" && chmod 700 "$folder"
    E2E_FOLDERS+=("$folder")
    printf -v "$1" %s "$folder"
}

# A compositor as the user, in a session of its own so that all it starts ends with it, in a
# clean environment whose home and runtime folder are RUNTIME; its output in the artifacts.
# E2E_SESSION_WRAP, run first as root, may prepare what it runs in.
E2E_SESSION_WRAP=()
start_session() { # log runtime [VAR=VALUE...] command...
    setsid "${E2E_SESSION_WRAP[@]}" "${E2E_AS_USER[@]}" env -i PATH="$PATH" HOME="$2" \
        XDG_RUNTIME_DIR="$2" "${@:3}" >>"$e2e_artifacts/$1" 2>&1 &
    E2E_SESSIONS+=($!)
}
stop_last_session() {
    local pid=${E2E_SESSIONS[-1]}
    unset 'E2E_SESSIONS[-1]'
    kill -- -"$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
    # The group's other processes (a desktop's helpers) may still be writing in its folders.
    wait_for 5 bash -c "! kill -0 -- -$pid 2>/dev/null" || true
}

# The X sockets' folder as a system makes it at boot: XWayland started by the user would make it
# its own, and mutter then refuses it.
x11_socket_folder() {
    mkdir -p /tmp/.X11-unix && chown root:root /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix
}

# The Wayland socket a compositor made in its runtime folder, once there is one.
wayland_socket() { # runtime
    local lock
    wait_for 15 compgen -G "$1/wayland-*.lock" >/dev/null || return
    lock=$(compgen -G "$1/wayland-*.lock" | head -n1)
    echo "${lock%.lock}"
}
# The scenario's clients talk to that compositor alone.
use_compositor() { # runtime socket-name
    export XDG_RUNTIME_DIR=$1 WAYLAND_DISPLAY=$2
    unset DISPLAY XDG_SESSION_TYPE XDG_CURRENT_DESKTOP
}
# A command on a session bus of its own, whose address goes to the runtime folder's bus file; then
# the scenario's, once it is there.
E2E_WITH_BUS=(dbus-run-session -- sh -c 'echo "$DBUS_SESSION_BUS_ADDRESS" >"$XDG_RUNTIME_DIR/bus" && exec "$@"' sh)
session_bus() {
    [ -s "$E2E_RUNTIME/bus" ] || return 1
    DBUS_SESSION_BUS_ADDRESS=$(cat "$E2E_RUNTIME/bus")
    export DBUS_SESSION_BUS_ADDRESS
}

# The window beneath, of the desktop's colour; extra arguments go to wl-backdrop.
start_backdrop() {
    "${E2E_AS_USER[@]}" "$E2E_USER_DIR/bin/wl-backdrop" "${E2E_ROOT_COLOUR#\#}" "$@" \
        >"$e2e_artifacts/backdrop.log" 2>&1 &
    E2E_BACKDROP_PID=$!
    check "the window beneath shows the desktop colour" \
        wait_for 10 captured pixel_is $((E2E_WIDTH / 2)) $((E2E_HEIGHT / 2)) "$E2E_DESKTOP"
}

# The window the desktop lays out for work_area.sh: another wl-backdrop, grey, titled "maximized"
# when started so, whose sizes go to managed.log; extra arguments go to wl-backdrop.
start_managed_window() {
    : >"$e2e_artifacts/managed.log"
    "${E2E_AS_USER[@]}" "$E2E_USER_DIR/bin/wl-backdrop" 808080 "$@" >"$e2e_artifacts/managed.log" 2>&1 &
    E2E_MANAGED_PID=$!
    wait_for 10 grep -q '^size ' "$e2e_artifacts/managed.log" ||
        { log "the managed window was not laid out (see managed.log)"; return 1; }
}
# The size the desktop last laid that window out at, as "width height".
managed_size() { sed -n 's/^size //p' "$e2e_artifacts/managed.log" | tail -n1; }

# An input device for the whole run: a tool fed commands a line each through descriptor 7, which
# answers "ready" once, then "ok" for each once the compositor has handled it, through 8.
start_fed() { # name command...
    local name=$1 reply
    shift
    mkfifo "$E2E_RUNTIME/$name.in" "$E2E_RUNTIME/$name.out"
    "$@" <"$E2E_RUNTIME/$name.in" >"$E2E_RUNTIME/$name.out" 2>>"$e2e_artifacts/$name.log" &
    E2E_FED_PID=$! E2E_FED=$name
    exec 7>"$E2E_RUNTIME/$name.in" 8<"$E2E_RUNTIME/$name.out"
    read -r -t 10 reply <&8 && [ "$reply" = ready ] || { log "$name did not start (see $name.log)"; return 1; }
}
feed() { # seconds command...: one command, answered within that time
    local reply
    printf '%s\n' "${*:2}" >&7
    read -r -t "$1" reply <&8 && [ "$reply" = ok ] || { log "$E2E_FED: ${*:2} -> ${reply:-no answer}"; return 1; }
}

# The input devices, the window beneath, the compositors newest first, then the folders.
stop_display() {
    { exec 6>&- 7>&- 8<&-; } 2>/dev/null || true
    local pid
    for pid in ${E2E_KEYBOARD_PID:-} ${E2E_FED_PID:-} ${E2E_MANAGED_PID:-} ${E2E_BACKDROP_PID:-}; do
        kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
    done
    while [ ${#E2E_SESSIONS[@]} -gt 0 ]; do stop_last_session; done
    rm -rf "${E2E_FOLDERS[@]}"
}

# The xdotool commands the scenarios use: key, mousemove, click, mousedown and mouseup, chained as
# xdotool chains them, and search [--onlyvisible] --name, which lists only windows shown. Each
# compositor's adapter carries them out (weston's refusal, on this file alone, needs none).
[ "$1" = wayland ] || E2E_HOOKS+=(input_keys input_move input_button windows_named)
E2E_POINTER_X=0 E2E_POINTER_Y=0
xdotool() {
    local keys
    while [ $# -gt 0 ]; do
        case $1 in
        key)
            shift
            keys=()
            while [ $# -gt 0 ] && ! [[ $1 =~ ^(key|mousemove|click|mousedown|mouseup)$ ]]; do
                keys+=("$1")
                shift
            done
            input_keys "${keys[@]}" || return 1
            ;;
        mousemove)
            E2E_POINTER_X=$2 E2E_POINTER_Y=$3
            input_move "$2" "$3" || return 1
            shift 3
            ;;
        click | mousedown | mouseup)
            input_button "$1" "$2" || return 1
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

# The compositor draws its cursor while a button is held, and screen reads show it: held, the
# pointer rests in the screen's far corner. The window pressed keeps the pointer until the release,
# as it would under the pointer.
rest_held_pointer() { xdotool mousemove $((E2E_WIDTH - 1)) $((E2E_HEIGHT - 1)); }

# Screen reads through grim, whose PPM is read as the X tool's, where the compositor lends its
# screen to it (wlroots).
screen_grab() { tool grim -g "$1,$2 $3x$4" -t ppm "$5"; } # x y width height file

# area_watch and so pixel_watch as lib.sh's, one screen_grab a sample (a new client and a whole
# output's copy each time): a pixel's value is its colour, an area's a checksum. On a loaded
# machine a pixel watch sees 3 to 8 of the 31 shades and may miss the glow's 25 ms: the fade's order
# and end are judged here, its timing by the X targets. Each sample a whole read: a swap is seen up
# to a read late, which a loaded machine stretches.
E2E_FADE_SHADES=2 E2E_FADE_COARSE=1 E2E_READ_SLACK_MS=1000
area_watch() { # x y width height ms [--until COLOUR [--after-other]] [--changes N] [--settle MS] [--save PREFIX]
    local area=("$1" "$2" "$3" "$4") limit=$5 until='' past=1 changes=0 settle=0 prefix='' start at
    local shot=$e2e_artifacts/watch-$BASHPID.ppm value shown='' candidate='' since=0 values=0
    shift 5
    while [ $# -gt 0 ]; do
        case $1 in
        --after-other) past='' && shift && continue ;;
        --until) until=$2 ;;
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
        if [ "${area[2]}x${area[3]}" = 1x1 ]; then
            # Straight from the PPM after its 11-byte header.
            value=$(od -An -tu1 -j11 -N3 "$shot" | awk '{ print $1 "," $2 "," $3 }')
        else
            value=$(md5sum <"$shot") && value=${value%% *}
        fi
        [ "$value" = "$candidate" ] || { candidate=$value since=$at && cp "$shot" "$shot.candidate"; }
        if [ "$candidate" != "$shown" ] && { [ -z "$shown" ] || [ $((at - since)) -ge "$settle" ]; }; then
            [ -n "$shown" ] || since=0
            shown=$candidate
            echo "$since $shown"
            [ -z "$prefix" ] || cp "$shot.candidate" "$prefix-$values.ppm"
            values=$((values + 1))
            if [ -n "$until" ] && [ -n "$past" ] && [ "$shown" = "$until" ]; then return 0; fi
            # Only a red makes the way to the colour: a menu's or a cursor's passing shade does not.
            if [[ $shown =~ ^[1-9][0-9]*,0,0$ ]]; then past=1; fi
            [ "$changes" -eq 0 ] || [ "$values" -le "$changes" ] || return 0
        fi
        if [ "$at" -gt "$limit" ]; then
            if [ -n "$until" ]; then echo "no change to $until within $limit ms" >&2 && return 1; fi
            [ "$changes" -eq 0 ] && return 0
            echo "$((values - 1)) of $changes changes within $limit ms" >&2
            return 1
        fi
    done
}

# Screen reads through the desktop's own D-Bus interface, by wayland/screenshot.py run as the user:
# about a second each (see frame.sh), so the watches see a fade's glow and its end, not its shades,
# and time the donation picture's swaps to a read or so.
slow_screen() {
    cp "$(dirname "${BASH_SOURCE[0]}")/wayland/screenshot.py" "$E2E_USER_DIR/bin/"
    E2E_SCREENSHOT=$E2E_USER_DIR/bin/screenshot.py E2E_SLOW_SCREEN=1 E2E_FADE_SHADES=0 E2E_READ_SLACK_MS=1500
}
# The reds of pixel ($1,$2) until black, at most $3 seconds, for frame.sh: one pixel read again and
# again over one connection, through that script.
fade_reds() { as_user "$E2E_SCREENSHOT" --reds "$@" || echo unreadable; }

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
# The window beneath is there from the start.
open_backdrop() { :; }
# Layer surfaces are in no window list.
target_windows() { echo zelvaro-frame; }

# The recorder as on X11, in the program's user's folder; the scenario reads it where it asked.
target_record_shell() { # file
    record_shell_in "$E2E_USER_DIR/shell.log" "$E2E_USER_DIR/bin"
    chown "$E2E_UID:$E2E_UID" "$E2E_USER_DIR/shell.log"
    ln -sf "$E2E_USER_DIR/shell.log" "$1"
}
