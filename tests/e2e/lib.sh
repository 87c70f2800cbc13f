# Helpers for end-to-end tests: a private X server, pixels read back from it, and the program
# under test started, stopped and its stored margins read and written.
#
# No helper passes on nothing. One that cannot tell whether its check holds (a tool failed or
# complained, an image is empty or not the size asked for, a place lies outside the screen, a
# count is no number) says why with cannot_tell: the check then fails and prints the reason, and a
# wait stops at once. A command that fails outside any check ends the scenario with a FAIL line
# that names it.
# shellcheck shell=bash

set -eEuo pipefail

E2E_WIDTH=${E2E_WIDTH:-1024}
E2E_HEIGHT=${E2E_HEIGHT:-768}
E2E_ROOT_COLOUR='#3366cc'   # the desktop, so the hole tells from a black band
E2E_GLOW='128,0,0'
E2E_BLACK='0,0,0'
E2E_DESKTOP='51,102,204'

e2e_failures=0
e2e_passes=0
e2e_artifacts=${E2E_ARTIFACTS:-$(mktemp -d)}
mkdir -p "$e2e_artifacts"
# Why the coming check cannot hold (errors), and what it saw when it did not (notes).
e2e_errors=$e2e_artifacts/check-errors
e2e_notes=$e2e_artifacts/check-notes
: >"$e2e_errors"
: >"$e2e_notes"

log() { printf '%s\n' "$*" >&2; }

# Compositors refuse root, so their scenarios run the program as an unprivileged user, which may
# not enter the build tree (root's home is mode 700): what that user runs, reads and writes lives
# in a folder of its own, E2E_USER_DIR, with the settings. Each file named is copied to its bin/.
E2E_UID=65534
user_side() { # file...
    E2E_USER_DIR=$(mktemp -d /tmp/zelvaro-user.XXXXXX)
    export XDG_CONFIG_HOME=$E2E_USER_DIR/config
    E2E_SETTINGS_FILE=$XDG_CONFIG_HOME/Zelvaro/Zelvaro.conf
    mkdir -p "$E2E_USER_DIR/bin" "$XDG_CONFIG_HOME/Zelvaro"
    [ $# -eq 0 ] || cp "$@" "$E2E_USER_DIR/bin/"
    chown -R "$E2E_UID:$E2E_UID" "$E2E_USER_DIR"
}
# A simple command, not a function, so that a program started with it in the background is $!.
E2E_AS_USER=(setpriv --reuid="$E2E_UID" --regid="$E2E_UID" --clear-groups)
as_user() { "${E2E_AS_USER[@]}" "$@"; }
# The X sockets' folder as a system makes it at boot: XWayland started by that user would make it
# its own, and mutter then refuses it.
x11_socket_folder() {
    mkdir -p /tmp/.X11-unix && chown root:root /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix
}

# Says why a check cannot tell; returns 2, which also ends a wait.
cannot_tell() {
    printf '%s\n' "$*" >>"$e2e_errors"
    return 2
}
# Says what a check saw, shown only if it fails.
explain() { printf '%s\n' "$*" >>"$e2e_notes"; }

# Runs a tool; a non-zero exit, or anything it says on stderr, means the check cannot tell.
tool() {
    local status=0 said
    "$@" 2>"$e2e_artifacts/tool-stderr" || status=$?
    said=$(head -c 300 "$e2e_artifacts/tool-stderr" | tr '\n' ' ')
    [ "$status" -eq 0 ] || cannot_tell "$1 exited with status $status${said:+: $said}" || return
    [ -z "$said" ] || cannot_tell "$1 said: $said"
}

is_number() { # text what
    [[ $1 =~ ^-?[0-9]+$ ]] || cannot_tell "$2 is \"$1\", not a number"
}

# Equal texts; otherwise the check shows both.
same_text() { # found expected
    [ "$1" = "$2" ] || { explain "found \"$1\", expected \"$2\""; return 1; }
}

check() { # description, then a command that succeeds when the check holds
    local what=$1 status=0
    shift
    "$@" || status=$?
    if [ "$status" -eq 0 ] && [ ! -s "$e2e_errors" ]; then
        e2e_passes=$((e2e_passes + 1))
        log "ok   - $what"
    else
        e2e_failures=$((e2e_failures + 1))
        log "FAIL - $what"
        sort -u "$e2e_errors" "$e2e_notes" | head -n 5 | sed 's/^/       /' >&2
    fi
    : >"$e2e_errors"
    : >"$e2e_notes"
}

# A command that fails outside a check would end the scenario silently: say which, and count it.
e2e_stopped() { # status command place
    # In a command substitution, the scenario line that ran it reports the first reason.
    if [ "$BASHPID" != "$$" ]; then
        [ -s "$e2e_errors" ] || cannot_tell "$3: \"$2\" exited with status $1" || true
        return 0
    fi
    trap - ERR
    e2e_failures=$((e2e_failures + 1))
    log "FAIL - the scenario stopped at $3: \"$2\" exited with status $1"
    sort -u "$e2e_errors" | head -n 5 | sed 's/^/       /' >&2
    log "$e2e_passes passed, $e2e_failures failed"
}
trap 'e2e_stopped $? "$BASH_COMMAND" "${BASH_SOURCE[0]##*/}:$LINENO"' ERR

# The closing count; the scenario's exit status.
finish() {
    trap - ERR
    log "$e2e_passes passed, $e2e_failures failed"
    [ "$e2e_failures" -eq 0 ] && exit 0
    exit 1
}

# A private X server at the test resolution, with a coloured root; E2E_WM=openbox also starts that
# window manager, otherwise there is none.
start_display() {
    local fd_file
    fd_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "${E2E_WIDTH}x${E2E_HEIGHT}x24" -noreset -nolisten tcp \
        3>"$fd_file" 2>"$e2e_artifacts/xvfb.log" &
    E2E_XVFB_PID=$!
    local tries=0
    while [ ! -s "$fd_file" ]; do
        tries=$((tries + 1))
        [ "$tries" -lt 100 ] || { log "Xvfb did not start"; return 1; }
        sleep 0.05
    done
    export DISPLAY=":$(head -n1 "$fd_file")"
    rm -f "$fd_file"
    xsetroot -solid "$E2E_ROOT_COLOUR"
    start_window_manager
}

# Openbox when E2E_WM asks for it; otherwise no window manager.
start_window_manager() {
    [ "${E2E_WM:-none}" = openbox ] || return 0
    openbox --sm-disable >"$e2e_artifacts/openbox.log" 2>&1 &
    E2E_WM_PID=$!
    wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
    wait_for 10 wm_running || { log "openbox did not start"; return 1; }
    log "window manager: openbox"
}

# Switches the screen to a smaller resolution, as a user changing it in the display settings.
resize_display() { # width height
    local mode="${1}x${2}_e2e" found
    tool xrandr --newmode "$mode" 60 "$1" $(($1 + 8)) $(($1 + 16)) $(($1 + 24)) \
        "$2" $(($2 + 2)) $(($2 + 4)) $(($2 + 6)) &&
        tool xrandr --addmode screen "$mode" &&
        tool xrandr --output screen --mode "$mode" --fb "${1}x${2}" || return
    E2E_WIDTH=$1 E2E_HEIGHT=$2
    found=$(tool xdpyinfo) || return
    same_text "$(sed -n 's/ *dimensions: *\([0-9]*x[0-9]*\).*/\1/p' <<<"$found")" "${1}x${2}"
}

stop_display() {
    if [ -n "${E2E_WM_PID:-}" ]; then kill "$E2E_WM_PID" 2>/dev/null || true; fi
    if [ -n "${E2E_XVFB_PID:-}" ]; then
        kill "$E2E_XVFB_PID" 2>/dev/null || true
        wait "$E2E_XVFB_PID" 2>/dev/null || true
    fi
}

# Whether a rectangle lies inside the screen.
inside_screen() { # x y width height
    local value
    for value in "$@"; do is_number "$value" "a screen coordinate" || return; done
    [ "$1" -ge 0 ] && [ "$2" -ge 0 ] && [ "$3" -gt 0 ] && [ "$4" -gt 0 ] &&
        [ $(($1 + $3)) -le "$E2E_WIDTH" ] && [ $(($2 + $4)) -le "$E2E_HEIGHT" ] ||
        cannot_tell "${3}x$4 at ($1,$2) lies outside the ${E2E_WIDTH}x$E2E_HEIGHT screen"
}

# The screen reader, connected to the display for the length of a watch (see xpixels.c); a
# scenario that reads the screen without it is told so.
xpixels() { "${E2E_XPIXELS:?path to the xpixels tool}" "$@"; }

# An image that can be read, of the given size: a binary PPM as screen_grab writes it, or any
# image ImageMagick reads.
image_is() { # file width height
    local size header
    [ -s "$1" ] || { cannot_tell "${1##*/} is missing or empty"; return; }
    if [[ $1 == *.ppm ]]; then
        header=$(head -c 20 "$1" | head -n 2 | tr '\n' ' ') || return
        [[ $header =~ ^P6\ ([0-9]+)\ ([0-9]+)\ $ ]] || { cannot_tell "${1##*/} is no binary PPM"; return; }
        size=${BASH_REMATCH[1]}x${BASH_REMATCH[2]}
    else
        size=$(tool identify -format '%wx%h' "$1") || return
    fi
    [ "$size" = "${2}x$3" ] || cannot_tell "${1##*/} is $size, not ${2}x$3"
}

# A piece of the screen as a binary PPM; targets without an X screen replace it.
screen_grab() { tool xpixels grab "$@"; } # x y width height file

# A piece of the screen, saved at its own origin; it must lie inside the screen.
grab() { # x y width height file.ppm
    inside_screen "$1" "$2" "$3" "$4" || return
    screen_grab "$@" || return
    image_is "$5" "$3" "$4"
}

# One capture of the screen; pixels are then read from it as "r,g,b".
capture() { grab 0 0 "$E2E_WIDTH" "$E2E_HEIGHT" "$e2e_artifacts/screen.ppm"; }

# The last capture, or another grab, kept as a PNG to look at.
keep() { # name [file.ppm]
    tool convert "${2:-$e2e_artifacts/screen.ppm}" "$e2e_artifacts/$1.png"
}

# The pixels at the given places of the last capture, one "r,g,b" a line.
pixels() { # x y [x y]...
    local read line count=$(($# / 2)) i
    for ((i = 1; i < $#; i += 2)); do inside_screen "${!i}" "${@:i+1:1}" 1 1 || return; done
    read=$(tool xpixels read "$e2e_artifacts/screen.ppm" "$@") || return
    [ "$(wc -l <<<"$read")" -eq "$count" ] || cannot_tell "$count pixels asked, read: $read" || return
    while read -r line; do
        [[ $line =~ ^[0-9]+,[0-9]+,[0-9]+$ ]] || { cannot_tell "a pixel reads \"$line\", not a colour"; return; }
    done <<<"$read"
    printf '%s\n' "$read"
}
pixel_is() { # x y colour
    local found
    found=$(pixels "$1" "$2") || return
    [ "$found" = "$3" ]
}

# Runs a command until it succeeds, at most $1 seconds: wait_for SECONDS COMMAND…
# It stops early when the command cannot tell (status 2).
wait_for() {
    local deadline=$((SECONDS + $1)) status
    shift
    while :; do
        status=0
        "$@" || status=$?
        [ "$status" -ne 0 ] || return 0
        [ "$status" -eq 1 ] && [ "$SECONDS" -lt "$deadline" ] || return "$status"
        sleep 0.02
    done
}

# Waits up to $3 seconds for the pixel at ($1,$2) of a fresh capture to become $4.
captured_pixel_is() { capture && pixel_is "$@"; }
wait_pixel() { wait_for "$3" captured_pixel_is "$1" "$2" "$4"; }

# The four band edges read along the middle of each side: "left top right bottom" as the
# thickness of each band.
bands_are() { # horizontal vertical colour
    local h=$1 v=$2 c=$3 midx=$((E2E_WIDTH / 2)) midy=$((E2E_HEIGHT / 2)) found expected
    found=$(pixels $((h - 1)) "$midy" "$h" "$midy" $((E2E_WIDTH - h - 1)) "$midy" \
        $((E2E_WIDTH - h)) "$midy" "$midx" $((v - 1)) "$midx" "$v" \
        "$midx" $((E2E_HEIGHT - v - 1)) "$midx" $((E2E_HEIGHT - v))) || return
    expected=$(printf '%s\n' "$c" "$E2E_DESKTOP" "$E2E_DESKTOP" "$c" "$c" "$E2E_DESKTOP" \
        "$E2E_DESKTOP" "$c")
    [ "$found" = "$expected" ] && return
    explain "band edges at $h and $v read: $(tr '\n' ' ' <<<"$found")"
    return 1
}

# The bands at these margins in any shade of the fade: on a busy machine a capture may come during
# or after it, where the colour is not what the check is about.
bands_at() { # horizontal vertical
    local shade
    capture && shade=$(pixels 0 $((E2E_HEIGHT / 2))) || return
    [[ $shade =~ ^[0-9]+,0,0$ ]] || { explain "the left band reads $shade"; return 1; }
    bands_are "$1" "$2" "$shade"
}

# A shade of the frame's red, black included, at ($1,$2) of a fresh capture.
shaded_at() {
    local shade
    capture && shade=$(pixels "$1" "$2") || return
    [[ $shade =~ ^[0-9]+,0,0$ ]] || { explain "($1,$2) reads $shade"; return 1; }
}

# Waits until the bands stand at the given margins in the given colour.
captured_bands_are() { capture && bands_are "$@"; }
wait_bands() { wait_for "$4" captured_bands_are "$1" "$2" "$3"; } # horizontal vertical colour seconds

# Follows the colour of pixel ($1,$2): one "ms r,g,b" line at the start and one at each change, in
# milliseconds from the start, until it changes to black after some other change (a new frame may
# show black for a moment as it maps, and a busy machine may hide the glow's first shade); more
# than $3 ms is an error. Targets without an X screen replace it.
pixel_watch() { xpixels watch "$1" "$2" 1 1 "$3" --until "$E2E_BLACK" --after-other; }

# Follows an area: xpixels watch's arguments and lines. Targets without an X screen replace it.
area_watch() { xpixels watch "$@"; } # x y width height ms [--changes N] [--settle MS] [--save PREFIX]

# Starts following pixel ($1,$2) in the background, at most $3 ms, for fade_seen.
watch_fade() { # x y ms
    inside_screen "$1" "$2" 1 1 || return
    E2E_WATCH=$e2e_artifacts/watch-$(now_ms)
    pixel_watch "$@" >"$E2E_WATCH" 2>"$E2E_WATCH.err" &
    E2E_WATCH_PID=$!
}

# Fewest of the 31 shades between dark red and black that a fade must show, on a busy machine too.
E2E_FADE_SHADES=${E2E_FADE_SHADES:-24}
# Fade timing on a busy machine: the median time per shade (a stalled shade or two moves the mean,
# not the median), and the glow's hold before it (armed for 1500 ms, then its own 25 ms shade).
E2E_SHADE_MS_MIN=20 E2E_SHADE_MS_MAX=40
E2E_HOLD_MS_MIN=1400 E2E_HOLD_MS_MAX=2500

# The watch that watch_fade started, once it ends, shows the glow then the fade: dark red, then
# reds stepping down by multiples of 4 to black through at least E2E_FADE_SHADES shades, about
# 25 ms apart. With "glow", the fade starts at dark red; with "held", that glow was seen to appear
# and held about 1.5 s first. Coarse reads time nothing and may miss the glow.
fade_seen() { # [glow|held]
    local status=0 ms colour red previous=999 shades=0 glow='' fading='' last='' reds=() steps=()
    wait "$E2E_WATCH_PID" || status=$?
    [ "$status" -eq 0 ] ||
        { cannot_tell "the pixel watch ended with status $status: $(head -c 300 "$E2E_WATCH.err")"; return; }
    while read -r ms colour; do
        is_number "$ms" "a watch time" || return
        # What shows before the glow (the desktop, a black frame) is no part of the fade.
        # A glow not held (a release's fade, or where reads are coarse) may be met past its
        # first 25 ms.
        [ -n "$glow" ] || [ "$colour" = "$E2E_GLOW" ] ||
            [[ (-n ${E2E_FADE_COARSE:-} || -z ${1:-}) && $colour =~ ^[1-9][0-9]*,0,0$ ]] ||
            { reds+=("($colour)"); continue; }
        [[ $colour =~ ^([0-9]+),0,0$ ]] || { explain "not a red: ${reds[*]} $colour"; return 1; }
        red=${BASH_REMATCH[1]}
        reds+=("$red@$ms")
        [ "$red" -le 128 ] && [ $((red % 4)) -eq 0 ] && [ "$red" -lt "$previous" ] ||
            { explain "reds seen: ${reds[*]}"; return 1; }
        [ -n "$glow" ] || glow=$ms
        if [ "$red" -lt 128 ]; then
            # Each step's time per shade, in tenths of a millisecond; shades unseen share it.
            [ -z "$fading" ] || steps+=($(((ms - last) * 40 / (previous - red))))
            [ -n "$fading" ] || fading=$ms
            [ "$red" -eq 0 ] || shades=$((shades + 1))
        fi
        previous=$red last=$ms
    done <"$E2E_WATCH"
    [ -n "$glow" ] || { explain "no glow: ${reds[*]}"; return 1; }
    [ "$previous" = 0 ] && [ "$shades" -ge "$E2E_FADE_SHADES" ] ||
        { explain "$shades shades, ending at $previous: ${reds[*]}"; return 1; }
    # Coarse reads tell the order and the end of a fade, not its timing.
    [ -z "${E2E_FADE_COARSE:-}" ] || { log "fade: ${reds[*]} (red@ms): $shades shades"; return 0; }
    [ ${#steps[@]} -gt 0 ] || { explain "no step between two shades: ${reds[*]}"; return 1; }
    local median hold=$((fading - glow))
    median=$(printf '%s\n' "${steps[@]}" | sort -n | sed -n "$(((${#steps[@]} + 1) / 2))p")
    log "fade: ${reds[*]} (red@ms): $shades shades, $((median / 10)).$((median % 10)) ms apart (median), after $hold ms of glow"
    [ "$median" -ge $((E2E_SHADE_MS_MIN * 10)) ] && [ "$median" -le $((E2E_SHADE_MS_MAX * 10)) ] ||
        { explain "shades $((median / 10)) ms apart: ${reds[*]}"; return 1; }
    [ "${1:-}" = held ] || return 0
    [ "$hold" -ge "$E2E_HOLD_MS_MIN" ] && [ "$hold" -le "$E2E_HOLD_MS_MAX" ] ||
        { explain "the glow held $hold ms before the fade: ${reds[*]}"; return 1; }
}

# The reds a target's fade_reds saw, where screen reads are too slow for a pixel watch: dark red
# steps down by multiples of 4 to black, through many shades.
is_fade() {
    local reds=("$@") previous=999 shades=0
    [ $# -gt 0 ] || { cannot_tell "no red was sampled"; return; }
    for red in "${reds[@]}"; do
        is_number "$red" "a sampled red" || return
        [ "$red" -le 128 ] && [ $((red % 4)) -eq 0 ] && [ "$red" -lt "$previous" ] ||
            { explain "reds seen: ${reds[*]}"; return 1; }
        [ "$red" -gt 0 ] && [ "$red" -lt 128 ] && shades=$((shades + 1))
        previous=$red
    done
    [ "$previous" = 0 ] && [ "$shades" -ge 8 ] || { explain "reds seen: ${reds[*]}"; return 1; }
}

# Milliseconds since the epoch.
now_ms() { date +%s%3N; }

# Waits until process $1 has ended, at most $2 seconds.
wait_exit() {
    local deadline=$(($(now_ms) + $2 * 1000))
    while kill -0 "$1" 2>/dev/null; do
        [ "$(now_ms)" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}

window_under_pointer() {
    local found
    found=$(tool xdotool getmouselocation --shell) || return
    found=$(sed -n 's/^WINDOW=//p' <<<"$found")
    is_number "$found" "the window under the pointer" && echo "$found"
}

# Another program's window in the middle of the hole, which logs what it receives as wl-backdrop
# does; the Wayland targets have theirs from the start.
open_backdrop() { # x y
    [ -z "${e2e_backdrop:-}" ] || return 0
    xpixels window $(($1 - 100)) $(($2 - 50)) 200 100 >"$e2e_artifacts/backdrop.log" 2>&1 &
    e2e_backdrop=$!
    backdrop_mapped() { grep -q '^mapped' "$e2e_artifacts/backdrop.log"; }
    wait_for 5 backdrop_mapped
}

# A click at ($1,$2) reaches the window beneath: it logs the button there.
target_click_in_hole() {
    local before
    open_backdrop "$1" "$2" || return
    before=$(grep -c '^button' "$e2e_artifacts/backdrop.log" || true)
    clicked() { [ "$(grep -c "^button 1 $1 $2\$" "$e2e_artifacts/backdrop.log")" -gt "$before" ]; }
    # Wine without a window manager swallows the first click after its window took the focus, its
    # own bare window's as well: one more click is what a user would make.
    for _ in 1 2; do
        xdotool mousemove "$1" "$2" click 1 || return 1
        wait_for 3 clicked "$1" "$2" && return
    done
    return 1
}

# The frame holds the keyboard: the window beneath last heard of it as leaving, if ever, and no
# key reached it.
target_keyboard_taken() {
    [ "$(grep '^keyboard' "$e2e_artifacts/backdrop.log" | tail -n1)" != "keyboard enter" ]
}
no_key_beneath() { ! grep -q '^key ' "$e2e_artifacts/backdrop.log"; }
