#!/usr/bin/env bash
# One Zelvaro per session: a second start while the frame runs ends with status 0 within 2 s and
# shows no frame; the running frame glows and takes the keyboard back from another window. After
# kill -9 of the running copy, the next start shows its frame.
# Usage: second_start.sh TARGET, with the target's variables in the environment (see target-*.sh).
source "$(dirname "$0")/lib.sh" "$1"

trap 'kill "${other:-}" 2>/dev/null || true; target_kill; stop_display' EXIT
start_display
target_clear_settings

target_start
first=$E2E_PID
check "the first start shows its frame" wait_for 30 bands_at 20 50
check "which fades to black" wait_bands 20 50 "$E2E_BLACK" 10
check "one frame process" test "$(target_processes)" = 1

# The user works in another window meanwhile: it has the keyboard.
xmessage -title ailleurs -geometry 200x100+400+300 "ailleurs" 2>/dev/null &
other=$!
other_window() { timeout 5 xdotool search --name '^ailleurs$' 2>/dev/null | head -n1; }
other_shown() { [ -n "$(other_window)" ]; }
check "another window opens" wait_for 10 other_shown
# A window manager hands the focus on request; with none, the window takes it directly.
focus_other() {
    if [ "${E2E_WM:-none}" = none ]; then
        timeout 5 xdotool windowfocus "$(other_window)"
    else
        timeout 5 xdotool windowactivate "$(other_window)"
    fi
} 2>/dev/null
other_has_keyboard() { focus_other && [ "$(timeout 5 xdotool getwindowfocus 2>/dev/null)" = "$(other_window)" ]; }
check "another window takes the keyboard" wait_for 5 other_has_keyboard

# Watched from before the second start, so that a busy machine cannot hide the glow.
watch_fade 5 $((E2E_HEIGHT / 2)) 15000
started=$(now_ms)
status=0
target_run_again || status=$?
elapsed=$(($(now_ms) - started))
log "second start: status $status after $elapsed ms"
check "a second start ends with status 0" test "$status" = 0
check "within 2 s" test "$elapsed" -lt 2000
check "the running frame glows, then fades to black" fade_seen glow
check "still one frame process, the first" test "$(target_processes)" = 1
check "the first is still running" kill -0 "$first"
xdotool key Right
check "the frame has the keyboard again: Right widens the side bands" wait_for 5 bands_at 21 50
check "and fades back to black" wait_bands 21 50 "$E2E_BLACK" 10

kill -KILL "$first"
check "kill -9 ends the running copy" target_wait_exit 5
target_end
target_start
check "after kill -9 the next start shows its frame" wait_for 30 bands_at 20 50
check "one frame process again" test "$(target_processes)" = 1
xdotool key Escape
check "which ends on Escape" target_wait_exit 2
target_end

finish
