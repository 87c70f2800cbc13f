#!/usr/bin/env bash
# Windows kept inside the frame: with the menu's item on, the desktop lays a maximized or tiled
# window (target_managed_window, target_managed_geometry) exactly in the hole, follows the bands,
# gives the space back (target_free_area) when the item is unchecked or the program ends; the choice
# survives a restart, and left alone nothing of it is stored. Usage: work_area.sh TARGET
source "$(dirname "$0")/lib.sh" "$1"

start_display
target_clear_settings
midy=$((E2E_HEIGHT / 2))
whole=$(target_free_area)
hole() { echo "$1 $2 $((E2E_WIDTH - 2 * $1)) $((E2E_HEIGHT - 2 * $2))"; }
window_is() { same_text "$(target_managed_geometry)" "$*"; }

target_start
check "a frame appears" wait_for 30 bands_at 20 50
xdotool key Escape
check "left alone, Escape ends the program" target_wait_exit 5
check "and stores nothing of the item" test -z "$(target_stored Reserver)"

target_start
wait_for 30 bands_at 20 50 || true
target_managed_window
check "with the item off, a maximized window covers the screen" wait_for 10 window_is $whole
check "the item is checked, and the choice stored at once" set_keep_inside 5 "$midy" 1
check "with it on, the window has the hole's geometry" wait_for 10 window_is "$(hole 20 50)"
xdotool key Right Right Right
check "after Right x3 and their release, the window follows" wait_for 10 window_is "$(hole 23 50)"
check "unchecked, and the choice stored" set_keep_inside 5 "$midy" 0
check "it covers the screen again" wait_for 10 window_is $whole
set_keep_inside 5 "$midy" 1 || true
wait_for 10 window_is "$(hole 23 50)" || true
xdotool key Escape
check "Escape ends the program" target_wait_exit 5
check "and gives the space back" wait_for 10 window_is $whole

target_start
check "the choice survives a restart" wait_for 30 window_is "$(hole 23 50)"
xdotool key Escape
target_wait_exit 5 || true
target_kill
target_end
finish
