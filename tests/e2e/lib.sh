# Helpers for end-to-end tests: a private X server, pixels read back from it, and the program
# under test started and stopped. Sourced as lib.sh TARGET, it also sources the target's adapter.
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

# The program as the target starts it, E2E_PROGRAM: in the background, waited for, or a second
# time in the foreground (its exit status).
target_start() {
    "${E2E_PROGRAM[@]}" >>"$e2e_artifacts/program.log" 2>&1 &
    E2E_PID=$!
}
target_wait_exit() { wait_exit "$E2E_PID" "$1"; } # seconds
target_run_again() { timeout 10 "${E2E_PROGRAM[@]}" >>"$e2e_artifacts/program.log" 2>&1; }
# The program ends before its display does: Qt 6.4 can hang at exit when both go at once.
target_kill() {
    [ -n "${E2E_PID:-}" ] && kill "$E2E_PID" 2>/dev/null || return 0
    wait_exit "$E2E_PID" 5 || kill -KILL "$E2E_PID" 2>/dev/null || true
}
target_end() { :; }

# A stand-in for the shell's opener of addresses: a program that adds each it is handed to a file.
write_recorder() { # program record-file
    printf '#!/bin/sh\nprintf "%%s\\n" "$*" >> "%s"\n' "$2" >"$1"
    chmod 755 "$1"
    : >"$2"
}

# An X server on a free display number, from its command without -displayfd; its output in
# NAME.log.
start_x() { # name command...
    local fd_file
    fd_file=$(mktemp)
    "${@:2}" -displayfd 3 -noreset -nolisten tcp 3>"$fd_file" >"$e2e_artifacts/$1.log" 2>&1 &
    E2E_XVFB_PID=$!
    wait_for 30 test -s "$fd_file" ||
        { log "$2 did not start; $1.log ends with:" && tail -n 5 "$e2e_artifacts/$1.log" >&2; return 1; }
    export DISPLAY=":$(head -n1 "$fd_file")"
    rm -f "$fd_file"
}
# The desktop on it: the coloured root, and openbox when E2E_WM=openbox asks for a window manager.
start_desktop() {
    xsetroot -solid "$E2E_ROOT_COLOUR"
    [ "${E2E_WM:-none}" = openbox ] || return 0
    openbox --sm-disable >"$e2e_artifacts/openbox.log" 2>&1 &
    E2E_WM_PID=$!
    wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
    wait_for 10 wm_running || { log "openbox did not start"; return 1; }
    log "window manager: openbox"
}
# A private X server at the test resolution.
start_display() { start_x xvfb Xvfb -screen 0 "${E2E_WIDTH}x${E2E_HEIGHT}x24" && start_desktop; }

# Several screens: a private Xorg (as root) with the dummy video driver, whose RandR outputs DUMMY0
# to DUMMY15 are switched on and off as displays are plugged and unplugged; one 1024 × 768 screen,
# and room in its virtual size for a second.
E2E_SECOND_MODE=800x600_e2e
start_dummy_display() {
    local config=$e2e_artifacts/xorg-dummy.conf
    printf '%s\n' 'Section "Device"' 'Identifier "dummy"' 'Driver "dummy"' 'VideoRam 256000' \
        EndSection 'Section "Monitor"' 'Identifier "monitor"' 'HorizSync 5.0 - 1000.0' \
        'VertRefresh 5.0 - 200.0' EndSection 'Section "Screen"' 'Identifier "screen"' \
        'Device "dummy"' 'Monitor "monitor"' 'DefaultDepth 24' 'SubSection "Display"' 'Depth 24' \
        'Virtual 4096 2160' EndSubSection EndSection >"$config"
    start_x xorg Xorg -config "$config" -logfile "$e2e_artifacts/xorg-server.log" || return
    xrandr --output DUMMY0 --mode 1024x768
    xrandr --fb 1024x768
    xrandr --newmode "$E2E_SECOND_MODE" 40 800 840 968 1056 600 601 605 628
    xrandr --addmode DUMMY1 "$E2E_SECOND_MODE"
    start_desktop
}
monitors_are() {
    local listed
    listed=$(tool xrandr --listmonitors) || return
    listed=$(sed -n 's/^Monitors: //p' <<<"$listed")
    is_number "$listed" "xrandr's count of monitors" || return
    [ "$listed" = "$1" ] || { explain "$listed monitors"; return 1; }
}
# The second display, 800 × 600, plugged in right of the first, or unplugged; captures then take
# the whole desktop.
plug_second() {
    tool xrandr --output DUMMY1 --mode "$E2E_SECOND_MODE" --right-of DUMMY0 || return
    E2E_WIDTH=1824 E2E_HEIGHT=768
    monitors_are 2
}
unplug_second() {
    tool xrandr --output DUMMY1 --off && tool xrandr --fb 1024x768 || return
    E2E_WIDTH=1024 E2E_HEIGHT=768
    monitors_are 1
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

# A binary PPM as screen_grab writes it, of the given size.
image_is() { # file width height
    local header
    [ -s "$1" ] || { cannot_tell "${1##*/} is missing or empty"; return; }
    header=$(head -c 20 "$1" | head -n 2 | tr '\n' ' ') || return
    [[ $header =~ ^P6\ ([0-9]+)\ ([0-9]+)\ $ ]] || { cannot_tell "${1##*/} is no binary PPM"; return; }
    [ "${BASH_REMATCH[1]}x${BASH_REMATCH[2]}" = "${2}x$3" ] ||
        cannot_tell "${1##*/} is ${BASH_REMATCH[1]}x${BASH_REMATCH[2]}, not ${2}x$3"
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

# A command on a fresh capture: captured pixel_is X Y COLOUR, and so on.
captured() { capture && "$@"; }

# The bands of a frame on the screen at (x0,y0) of size w × h, read along the middle of each side
# of the last capture as the thickness of each band; the colour "any" takes every colour but the
# desktop's (a glow may fade while a loaded machine looks).
bands_on() { # x0 y0 w h horizontal vertical colour
    local x0=$1 y0=$2 w=$3 h=$4 bh=$5 bv=$6 c=$7 d=$E2E_DESKTOP found i=0 seen
    local midx=$((x0 + w / 2)) midy=$((y0 + h / 2))
    local expected=("$c" "$d" "$d" "$c" "$c" "$d" "$d" "$c")
    found=$(pixels $((x0 + bh - 1)) "$midy" $((x0 + bh)) "$midy" $((x0 + w - bh - 1)) "$midy" \
        $((x0 + w - bh)) "$midy" "$midx" $((y0 + bv - 1)) "$midx" $((y0 + bv)) \
        "$midx" $((y0 + h - bv - 1)) "$midx" $((y0 + h - bv))) || return
    while read -r seen; do
        if [ "${expected[i]}" = any ] && [ "$seen" != "$d" ] || [ "$seen" = "${expected[i]}" ]; then
            i=$((i + 1))
            continue
        fi
        explain "bands of $bh and $bv at ($x0,$y0) read: $(tr '\n' ' ' <<<"$found")"
        return 1
    done <<<"$found"
}
# Waits until the bands of the whole screen stand at the given margins in the given colour.
wait_bands() { # horizontal vertical colour seconds
    wait_for "$4" captured bands_on 0 0 "$E2E_WIDTH" "$E2E_HEIGHT" "$1" "$2" "$3"
}

# The bands at these margins in any shade of the fade: on a busy machine a capture may come during
# or after it, where the colour is not what the check is about.
bands_at() { # horizontal vertical
    local shade
    capture && shade=$(pixels 0 $((E2E_HEIGHT / 2))) || return
    [[ $shade =~ ^[0-9]+,0,0$ ]] || { explain "the left band reads $shade"; return 1; }
    bands_on 0 0 "$E2E_WIDTH" "$E2E_HEIGHT" "$1" "$2" "$shade"
}

# A shade of the frame's red, black included, at ($1,$2) of a fresh capture.
shaded_at() {
    local shade
    capture && shade=$(pixels "$1" "$2") || return
    [[ $shade =~ ^[0-9]+,0,0$ ]] || { explain "($1,$2) reads $shade"; return 1; }
}
# Anything but the desktop at ($1,$2) of a fresh capture: a band, a menu.
covered_at() {
    local found
    capture && found=$(pixels "$1" "$2") || return
    [ "$found" != "$E2E_DESKTOP" ]
}

# Follows the colour of pixel ($1,$2): one "ms r,g,b" line at the start and one at each change, in
# milliseconds from the start, until it changes to black after some other change (a new frame may
# show black for a moment as it maps, and a busy machine may hide the glow's first shade); more
# than $3 ms is an error.
pixel_watch() { area_watch "$1" "$2" 1 1 "$3" --until "$E2E_BLACK" --after-other; }

# Follows an area: xpixels watch's arguments and lines. Targets without an X screen replace it.
area_watch() { xpixels watch "$@"; } # x y width height ms [options]

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

# The watch that watch_fade started, once it ends, shows the glow then the fade (fade_in).
fade_seen() { # [glow|held]
    local status=0
    wait "$E2E_WATCH_PID" || status=$?
    [ "$status" -eq 0 ] ||
        { cannot_tell "the pixel watch ended with status $status: $(head -c 300 "$E2E_WATCH.err")"; return; }
    fade_in "$@" <"$E2E_WATCH"
}
# Watch lines "ms r,g,b" on stdin that show dark red, then reds stepping down by multiples of 4 to
# black through at least E2E_FADE_SHADES shades, about 25 ms apart. With "glow", the fade starts at
# dark red; with "held", that glow was seen to appear and held about 1.5 s first. Coarse reads
# (E2E_FADE_COARSE) time nothing and may miss the glow.
fade_in() { # [glow|held]
    local ms colour red previous=999 shades=0 glow='' fading='' last='' reds=() steps=()
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
    done
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

# Listens in the background to the bells rung on the X display, for a while; bell_rung then tells
# whether one was.
listen_bell() { # seconds
    E2E_BELLS=$e2e_artifacts/bells-$(now_ms)
    : >"$E2E_BELLS" # there before the listener starts, for the wait
    xpixels bell $(($1 * 1000)) >"$E2E_BELLS" 2>&1 &
    wait_for 5 grep -qx listening "$E2E_BELLS" || cannot_tell "the bell listener did not start"
}
bell_rung() { grep -qx bell "$E2E_BELLS"; }

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
    : >"$e2e_artifacts/backdrop.log" # there before the window starts, for the wait
    xpixels window $(($1 - 100)) $(($2 - 50)) 200 100 >>"$e2e_artifacts/backdrop.log" 2>&1 &
    e2e_backdrop=$!
    wait_for 5 grep -q '^mapped' "$e2e_artifacts/backdrop.log"
}

# A window the window manager maximizes, which logs where it is laid out (managed.log); on the
# screen at x, the first one by default.
target_managed_window() { # [x]
    : >"$e2e_artifacts/managed.log" # there before the window starts, for the wait
    "${E2E_XPIXELS:?}" window "${1:-100}" 100 200 100 --maximized >>"$e2e_artifacts/managed.log" 2>&1 &
    E2E_MANAGED_PID=$!
    wait_for 5 grep -q '^mapped' "$e2e_artifacts/managed.log"
}
# The menu item that keeps windows inside the frame, chosen from a right click at ($1,$2) on a band
# until the store has it as $3 (1 or 0). The menu is up once the place it opens at changes (a
# window may already cover it); a window just mapped may take the focus as the menu opens, which
# closes it: the user clicks again.
set_keep_inside() { # x y 1|0
    local place=($(($1 + 25)) "$2" 200 60)
    menu_up() { grab "${place[@]}" "$e2e_artifacts/menu-now.ppm" && ! cmp -s "$e2e_artifacts"/menu-{before,now}.ppm; }
    stored_as() { same_text "$(target_stored Reserver)" "$1"; }
    for _ in 1 2 3; do
        grab "${place[@]}" "$e2e_artifacts/menu-before.ppm" || return
        xdotool mousemove "$1" "$2" click 3
        wait_for 4 menu_up && xdotool key g && wait_for 3 stored_as "$3" && return
    done
    return 1
}
close_managed_window() { kill "$E2E_MANAGED_PID" && wait "$E2E_MANAGED_PID" 2>/dev/null || true; }
# A window laid out on the second screen of screens.sh, and in E2E_SECOND_AREA where it should be:
# struts count from the X screen's edges, so that screen's left and bottom bands are not kept.
target_second_work_area() {
    [ "${E2E_WM:-none}" != none ] || return 1 # nothing keeps windows out without a manager
    E2E_SECOND_AREA="1024 50 778 550"
    target_managed_window 1100
}
# What the desktop leaves such a window without the frame: x y width height.
target_free_area() { echo "0 0 $E2E_WIDTH $E2E_HEIGHT"; }
# Where it was last laid out: x y width height; nothing before the first time.
target_managed_geometry() {
    ! grep -q '^xpixels:' "$e2e_artifacts/managed.log" ||
        cannot_tell "$(grep -m1 '^xpixels:' "$e2e_artifacts/managed.log")" || return
    sed -n 's/^geometry //p' "$e2e_artifacts/managed.log" | tail -n1
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

# lib.sh TARGET: the scenario's target, target-TARGET.sh, whose program and display end with it.
# The target interface: an adapter sets E2E_TARGET and E2E_PROGRAM (the program's command) and
# defines the hooks of E2E_HOOKS, fade_reds with E2E_SLOW_SCREEN and second_settings_follow_rename
# with E2E_REPLUG_RENAMES. It may replace the defaults above, made for an X server: target_start,
# target_wait_exit, target_run_again, target_kill, target_end, target_click_in_hole,
# target_keyboard_taken, start_display, start_dummy_display, plug_second, unplug_second,
# resize_display, stop_display, screen_grab, area_watch, window_under_pointer, open_backdrop,
# target_managed_window, target_free_area, target_managed_geometry and target_second_work_area.
E2E_HOOKS=(target_clear_settings target_store target_stored target_windows target_record_shell
    target_client_origin target_processes)
if [ -n "${1:-}" ]; then
    source "$(dirname "${BASH_SOURCE[0]}")/target-$1.sh"
    for hook in "${E2E_HOOKS[@]}" ${E2E_SLOW_SCREEN:+fade_reds} \
        ${E2E_REPLUG_RENAMES:+second_settings_follow_rename}; do
        declare -F "$hook" >/dev/null || { log "target $1 defines no $hook (see lib.sh)"; exit 2; }
    done
    [ -n "${E2E_TARGET:-}" ] && [ -n "${E2E_PROGRAM:-}" ] ||
        { log "target $1 sets no E2E_TARGET or E2E_PROGRAM (see lib.sh)"; exit 2; }
    trap 'target_kill; stop_display' EXIT
fi
