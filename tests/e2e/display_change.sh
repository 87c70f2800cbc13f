#!/usr/bin/env bash
# The screen's resolution changes under a running frame: the frame covers the new screen.
# Usage: display_change.sh TARGET, with the target's variables in the environment.
here=$(cd "$(dirname "$0")" && pwd)
export E2E_WIDTH=1280 E2E_HEIGHT=1024
source "$here/lib.sh"
source "$here/target-$1.sh"

trap 'target_kill; stop_display' EXIT
start_display
target_clear_settings

target_start
check "the frame covers a 1280 × 1024 screen" wait_bands 20 50 "$E2E_BLACK" 30
check "the screen switches to 1024 × 768" resize_display 1024 768
check "the frame fits the new screen, glowing" wait_bands 20 50 "$E2E_GLOW" 5
check "and fades" wait_bands 20 50 "$E2E_BLACK" 5
xdotool key Right
check "the keys still work" wait_bands 21 50 "$E2E_GLOW" 3
xdotool key Escape
check "Escape ends the program" target_wait_exit 2
target_end

finish
