#!/usr/bin/env bash
# The screen's resolution changes under a running frame: the frame covers the new screen.
# Usage: display_change.sh TARGET, with the target's variables in the environment.
export E2E_WIDTH=1280 E2E_HEIGHT=1024
source "$(dirname "$0")/lib.sh" "$1"

start_display
target_clear_settings

target_start
check "the frame covers a 1280 × 1024 screen" wait_bands 20 50 "$E2E_BLACK" 30
check "the screen switches to 1024 × 768" resize_display 1024 768
check "the frame fits the new screen" wait_for 5 bands_at 20 50
# The left band, watched once the frame has its new size, within the glow's 1.5 s: Wine 10 shows a
# resized window black for some milliseconds before its next paint.
watch_fade 5 384 10000
check "glowing, then fading" fade_seen glow
xdotool key Right
check "the keys still work" wait_for 3 bands_at 21 50
xdotool key Escape
check "Escape ends the program" target_wait_exit 2
target_end

finish
