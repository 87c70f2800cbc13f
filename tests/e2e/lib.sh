# Helpers for end-to-end tests: a private X server, pixels read back from it, and the program
# under test started, stopped and its stored margins read and written.
# shellcheck shell=bash

set -euo pipefail

E2E_WIDTH=${E2E_WIDTH:-1024}
E2E_HEIGHT=${E2E_HEIGHT:-768}
E2E_ROOT_COLOUR='#3366cc'   # the desktop, so the hole tells from a black band
E2E_GLOW='128,0,0'
E2E_BLACK='0,0,0'
E2E_DESKTOP='51,102,204'

e2e_failures=0
e2e_passes=0
e2e_artifacts=${E2E_ARTIFACTS:-$(mktemp -d)}

log() { printf '%s\n' "$*" >&2; }

check() { # description, then a command that succeeds when the check holds
    local what=$1
    shift
    if "$@"; then
        e2e_passes=$((e2e_passes + 1))
        log "ok   - $what"
    else
        e2e_failures=$((e2e_failures + 1))
        log "FAIL - $what"
    fi
}

finish() {
    log "$e2e_passes passed, $e2e_failures failed"
    [ "$e2e_failures" -eq 0 ]
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
    if [ "${E2E_WM:-none}" = openbox ]; then
        openbox --sm-disable >"$e2e_artifacts/openbox.log" 2>&1 &
        E2E_WM_PID=$!
        wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
        wait_for 10 wm_running || { log "openbox did not start"; return 1; }
        log "window manager: openbox"
    fi
}

# Switches the screen to a smaller resolution, as a user changing it in the display settings.
resize_display() { # width height
    local mode="${1}x${2}_e2e"
    xrandr --newmode "$mode" 60 "$1" $(($1 + 8)) $(($1 + 16)) $(($1 + 24)) \
        "$2" $(($2 + 2)) $(($2 + 4)) $(($2 + 6)) >/dev/null 2>&1 || true
    xrandr --addmode screen "$mode" &&
        xrandr --output screen --mode "$mode" &&
        xrandr --fb "${1}x${2}" 2>/dev/null || true
    E2E_WIDTH=$1 E2E_HEIGHT=$2
    [ "$(xdpyinfo | sed -n 's/ *dimensions: *\([0-9]*x[0-9]*\).*/\1/p')" = "${1}x${2}" ]
}

stop_display() {
    [ -n "${E2E_WM_PID:-}" ] && kill "$E2E_WM_PID" 2>/dev/null
    [ -n "${E2E_XVFB_PID:-}" ] && kill "$E2E_XVFB_PID" 2>/dev/null && wait "$E2E_XVFB_PID" 2>/dev/null
    true
}

# One capture of the screen; pixels are then read from it as "r,g,b".
capture() { import -window root "$e2e_artifacts/screen.png"; }
pixel() {
    convert "$e2e_artifacts/screen.png" -format "%[pixel:p{$1,$2}]" info: |
        sed -E 's/^srgba?\(([0-9]+),([0-9]+),([0-9]+).*/\1,\2,\3/'
}
pixel_is() { [ "$(pixel "$1" "$2")" = "$3" ]; }

# Runs a command until it succeeds, at most $1 seconds: wait_for SECONDS COMMAND…
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.02
    done
}

# Waits up to $3 seconds for the pixel at ($1,$2) of a fresh capture to become $4.
captured_pixel_is() { capture && pixel_is "$@"; }
wait_pixel() { wait_for "$3" captured_pixel_is "$1" "$2" "$4"; }

# The four band edges read along the middle of each side: "left top right bottom" as the
# thickness of each band.
bands_are() { # horizontal vertical colour
    local h=$1 v=$2 c=$3 midx=$((E2E_WIDTH / 2)) midy=$((E2E_HEIGHT / 2))
    pixel_is $((h - 1)) "$midy" "$c" && pixel_is "$h" "$midy" "$E2E_DESKTOP" &&
        pixel_is $((E2E_WIDTH - h - 1)) "$midy" "$E2E_DESKTOP" &&
        pixel_is $((E2E_WIDTH - h)) "$midy" "$c" &&
        pixel_is "$midx" $((v - 1)) "$c" && pixel_is "$midx" "$v" "$E2E_DESKTOP" &&
        pixel_is "$midx" $((E2E_HEIGHT - v - 1)) "$E2E_DESKTOP" &&
        pixel_is "$midx" $((E2E_HEIGHT - v)) "$c"
}

# Waits until the bands stand at the given margins in the given colour.
captured_bands_are() { capture && bands_are "$@"; }
wait_bands() { wait_for "$4" captured_bands_are "$1" "$2" "$3"; } # horizontal vertical colour seconds

# Samples the red of pixel ($1,$2) until it is black, at most $3 seconds, and prints each red
# seen once, in order.
fade_reds() {
    local deadline=$((SECONDS + $3)) red last=''
    while [ "$SECONDS" -lt "$deadline" ]; do
        red=$(import -window root -crop "1x1+$1+$2" -depth 8 txt:- | tail -n1 |
            sed -E 's/^[^(]*\(([0-9]+),.*/\1/')
        [ "$red" = "$last" ] || printf '%s\n' "$red"
        last=$red
        [ "$red" = 0 ] && break
    done
}

# The reds of a fade: dark red steps down by multiples of 4 to black, through many shades.
is_fade() {
    local reds=("$@") previous=999 shades=0
    for red in "${reds[@]}"; do
        [ "$red" -le 128 ] && [ $((red % 4)) -eq 0 ] && [ "$red" -lt "$previous" ] || return 1
        [ "$red" -gt 0 ] && [ "$red" -lt 128 ] && shades=$((shades + 1))
        previous=$red
    done
    [ "$previous" = 0 ] && [ "$shades" -ge 8 ]
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

window_under_pointer() { xdotool getmouselocation --shell | sed -n 's/^WINDOW=//p'; }
