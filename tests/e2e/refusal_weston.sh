#!/usr/bin/env bash
# On a Wayland compositor without layer-shell (weston, headless), Zelvaro refuses to start: one
# French line on stderr naming the desktop and what it lacks, a dialog and nothing else on the
# screen, exit status 1, and the stored margins untouched.
# Usage: refusal_weston.sh, with ZELVARO_BIN and E2E_WAYLAND_TOOLS in the environment.
source "$(dirname "$0")/lib.sh" wayland

private_runtime runtime weston
# Screenshots are written to the current folder, by weston's user.
shots=$runtime/shots
mkdir -p "$shots"
chown "$E2E_UID:$E2E_UID" "$shots"
# No animations: every screenshot shows a settled screen.
printf '[core]\nidle-time=0\n[shell]\nbackground-color=0xff%s\npanel-position=none\n%s\n' \
    "${E2E_ROOT_COLOUR#\#}" 'animation=none
startup-animation=none
close-animation=none
focus-animation=none' >"$runtime/weston.ini"
chmod 644 "$runtime/weston.ini"
# --debug lets weston-screenshooter read the screen.
start_session weston.log "$runtime" weston --backend=headless-backend.so --use-pixman \
    --width="$E2E_WIDTH" --height="$E2E_HEIGHT" --socket=wayland-zelvaro \
    --config="$runtime/weston.ini" --debug
use_compositor "$runtime" wayland-zelvaro
wait_for 15 test -S "$runtime/wayland-zelvaro" || { log "weston did not start"; exit 1; }

# The screen as weston shows it, in $shots/screen.png.
screenshot() {
    rm -f "$shots"/wayland-screenshot-*.png
    (cd "$shots" && as_user weston-screenshooter) >/dev/null 2>&1 || return 1
    mv "$shots"/wayland-screenshot-*.png "$shots/screen.png"
}
shot_pixel_is() {
    [ "$(convert "$shots/screen.png" -format "%[pixel:p{$1,$2}]" info: |
        sed -E 's/^srgba?\(([0-9]+),([0-9]+),([0-9]+).*/\1,\2,\3/')" = "$3" ]
}
# How many pixels are not the desktop's colour.
covered_pixels() {
    convert "$shots/screen.png" -alpha off -fill black -opaque "$E2E_ROOT_COLOUR" \
        -fill white +opaque black -format '%[fx:round(mean*w*h)]' info:
}
desktop_bare() { screenshot && [ "$(covered_pixels)" = 0 ]; }
check "weston shows its bare desktop before the program starts" wait_for 10 desktop_bare

stored=$'[Config]\nHorizontale=33\nVerticale=44'
printf '%s\n' "$stored" >"$E2E_SETTINGS_FILE"
# Its log emptied first: the child opens it only once it runs.
start_refused() { : >"$e2e_artifacts/program.log" && target_start; }
start_refused
said() { grep -q 'zwlr_layer_shell_v1' "$e2e_artifacts/program.log"; }
check "a line on stderr says why" wait_for 15 said
mapfile -t lines <"$e2e_artifacts/program.log"
log "stderr: ${lines[*]}"
check "one line, from the program" test "${#lines[@]}" = 1 -a "${lines[0]%%:*}" = zelvaro
check "naming the desktop" grep -q '« weston »' <<<"${lines[0]}"
check "in French" grep -q 'ne peut pas fonctionner' <<<"${lines[0]}"

# A dialog's worth of pixels, and nothing along the edges, where a frame would be.
edges_bare() {
    local w=$E2E_WIDTH h=$E2E_HEIGHT
    shot_pixel_is 2 $((h / 2)) "$E2E_DESKTOP" && shot_pixel_is $((w - 3)) $((h / 2)) "$E2E_DESKTOP" &&
        shot_pixel_is $((w / 2)) $((h - 3)) "$E2E_DESKTOP" && shot_pixel_is 2 2 "$E2E_DESKTOP"
}
dialog_alone() {
    local covered
    screenshot && covered=$(covered_pixels) &&
        [ "$covered" -gt 10000 ] && [ "$covered" -lt $((E2E_WIDTH * E2E_HEIGHT / 4)) ] && edges_bare
}
check "a dialog says the same, and no frame covers the screen's edges" wait_for 10 dialog_alone
cp "$shots/screen.png" "$e2e_artifacts/refusal.png"

# Nothing waits on the dialog in a test: a signal ends the program as OK does.
ended_with() { # status
    kill -TERM "$E2E_PID"
    wait_exit "$E2E_PID" 10 || return 1
    local status=0
    wait "$E2E_PID" || status=$?
    [ "$status" = "$1" ] || { log "exit status $status"; return 1; }
}
check "then it ends with status 1" ended_with 1
check "the stored margins are untouched" test "$(cat "$E2E_SETTINGS_FILE")" = "$stored"

# A first run writes nothing at all.
target_clear_settings
start_refused
check "a first run is refused too" wait_for 15 said
check "and ends with status 1" ended_with 1
check "leaving no settings file" test ! -e "$E2E_SETTINGS_FILE"

finish
