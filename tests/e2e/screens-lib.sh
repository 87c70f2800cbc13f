# Helpers for scenarios with several screens: a private Xorg with the dummy video driver, whose
# RandR outputs DUMMY0 to DUMMY15 can be switched on and off as displays are plugged and unplugged;
# bands read on any screen. Sourced after lib.sh.
# shellcheck shell=bash

E2E_SECOND_MODE=800x600_e2e

# Xorg needs a configuration with the dummy driver; the virtual size leaves room for a second screen.
write_dummy_config() { # file
    cat >"$1" <<'EOF'
Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 256000
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0 - 1000.0
    VertRefresh 5.0 - 200.0
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Virtual 4096 2160
    EndSubSection
EndSection
EOF
}

# A private Xorg on a free display number, one 1024 × 768 screen, the coloured root, and the window
# manager E2E_WM asks for.
start_dummy_display() {
    local fd_file config=$e2e_artifacts/xorg-dummy.conf
    fd_file=$(mktemp)
    write_dummy_config "$config"
    Xorg -displayfd 3 -config "$config" -logfile "$e2e_artifacts/xorg.log" -noreset -nolisten tcp \
        3>"$fd_file" >/dev/null 2>&1 &
    E2E_XVFB_PID=$! # stop_display ends it
    if ! wait_for 30 test -s "$fd_file"; then
        log "Xorg with the dummy driver did not start (root? the driver?); its log ends with:"
        tail -n 5 "$e2e_artifacts/xorg.log" >&2 || true
        return 1
    fi
    export DISPLAY=":$(head -n1 "$fd_file")"
    rm -f "$fd_file"
    xrandr --output DUMMY0 --mode 1024x768
    xrandr --fb 1024x768
    xrandr --newmode "$E2E_SECOND_MODE" 40 800 840 968 1056 600 601 605 628
    xrandr --addmode DUMMY1 "$E2E_SECOND_MODE"
    xsetroot -solid "$E2E_ROOT_COLOUR"
    start_window_manager
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

# How many windows of the program are shown: one look, cheap enough to time a follow by.
shown_windows_are() {
    local shown
    shown=$(target_windows --onlyvisible | wc -l)
    [ "$shown" = "$1" ] || { explain "$shown windows shown"; return 1; }
}

# The bands of the frame on the screen at (x0, y0) of size w × h, read along the middle of each
# side of the last capture: bands_on X0 Y0 W H HORIZONTAL VERTICAL COLOUR, where the colour "any"
# takes every colour but the desktop's (a glow may fade while a loaded machine looks).
bands_on() {
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
# A shade of red at one pixel, read on its own: quick enough to catch a glow on a loaded machine.
glows_at() {
    local read
    grab "$1" "$2" 1 1 "$e2e_artifacts/pixel.ppm" &&
        read=$(tool xpixels read "$e2e_artifacts/pixel.ppm" 0 0) || return
    [[ $read =~ ^([0-9]+),([0-9]+),([0-9]+)$ ]] || { cannot_tell "a pixel reads \"$read\""; return; }
    [ "${BASH_REMATCH[1]}" -gt 0 ] && [ "${BASH_REMATCH[2]}${BASH_REMATCH[3]}" = 00 ] ||
        { explain "($1,$2) reads ${BASH_REMATCH[*]:1}"; return 1; }
}
captured_bands_on() { capture && bands_on "$@"; }
first_bands() { wait_for "$4" captured_bands_on 0 0 1024 768 "$1" "$2" "$3"; }
second_bands() { wait_for "$4" captured_bands_on 1024 0 800 600 "$1" "$2" "$3"; }
