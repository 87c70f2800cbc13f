#!/usr/bin/env bash
# On a Wayland compositor without layer-shell (weston, headless), Zelvaro refuses to start: one
# French line on stderr naming the desktop and what it lacks, a dialog and nothing else on the
# screen, exit status 1, and the stored margins untouched.
# Usage: refusal_weston.sh, with ZELVARO_BIN in the environment.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
source "$here/target-linux.sh"
user_side "$ZELVARO_BIN"
ZELVARO_BIN=$E2E_USER_DIR/bin/$(basename "$ZELVARO_BIN")

# The program ends before its compositor does: Qt 6.4 can hang at exit when both go at once.
stop_weston() {
    if [ -n "${E2E_PID:-}" ] && kill "$E2E_PID" 2>/dev/null; then
        wait_exit "$E2E_PID" 5 || kill -KILL "$E2E_PID" 2>/dev/null || true
    fi
    [ -n "${weston_pid:-}" ] && kill "$weston_pid" 2>/dev/null && wait "$weston_pid" 2>/dev/null || true
    [ -n "${runtime:-}" ] && rm -rf "$runtime"
    rm -rf "$E2E_USER_DIR"
}
trap stop_weston EXIT

runtime=$(mktemp -d /tmp/zelvaro-weston.XXXXXX)
chown "$E2E_UID:$E2E_UID" "$runtime" && chmod 700 "$runtime"
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
env -i PATH="$PATH" HOME="$runtime" XDG_RUNTIME_DIR="$runtime" \
    setpriv --reuid="$E2E_UID" --regid="$E2E_UID" --clear-groups \
    weston --backend=headless-backend.so --use-pixman --width="$E2E_WIDTH" \
    --height="$E2E_HEIGHT" --socket=wayland-zelvaro --config="$runtime/weston.ini" --debug \
    >"$e2e_artifacts/weston.log" 2>&1 &
weston_pid=$!
export XDG_RUNTIME_DIR=$runtime WAYLAND_DISPLAY=wayland-zelvaro
unset DISPLAY XDG_SESSION_TYPE XDG_CURRENT_DESKTOP
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
start_refused() { # log file
    : >"$1" # emptied now: the child opens it only once it runs
    # setpriv and env replace themselves with the program: E2E_PID is the program.
    "${E2E_AS_USER[@]}" env HOME="$runtime" "$ZELVARO_BIN" >"$1" 2>&1 &
    E2E_PID=$!
}
start_refused "$e2e_artifacts/program.log"

said() { grep -q 'zwlr_layer_shell_v1' "$1"; }
check "a line on stderr says why" wait_for 15 said "$e2e_artifacts/program.log"
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
start_refused "$e2e_artifacts/program-2.log"
check "a first run is refused too" wait_for 15 said "$e2e_artifacts/program-2.log"
check "and ends with status 1" ended_with 1
check "leaving no settings file" test ! -e "$E2E_SETTINGS_FILE"

finish
