#!/usr/bin/env bash
# A frame per screen as a user meets it, on an Xorg whose second display can be plugged and
# unplugged: the screens submenu, a frame added on the second screen, its own margins and
# keyboard, its reset, a restart that brings both frames back, then unplugging the second display
# and plugging it back.
# Usage: screens.sh TARGET, with the target's variables in the environment (see target-*.sh).
source "$(dirname "$0")/lib.sh" "$1"

start_dummy_display
check "a second display is plugged in right of the first" plug_second
target_clear_settings

# The menu opens at the pointer, over the desktop right of a band.
right_click() { xdotool mousemove "$1" "$2" click 3 && wait_for 3 covered_at $(($1 + 30)) $(($2 + 10)) || true; }
first_bands() { wait_for "$4" captured bands_on 0 0 1024 768 "$1" "$2" "$3"; } # h v colour seconds
second_bands() { wait_for "$4" captured bands_on 1024 0 800 600 "$1" "$2" "$3"; }
# A shade of red at one pixel, read on its own: quick enough to catch a glow on a loaded machine.
glows_at() {
    local read
    grab "$1" "$2" 1 1 "$e2e_artifacts/pixel.ppm" &&
        read=$(tool xpixels read "$e2e_artifacts/pixel.ppm" 0 0) || return
    [[ $read =~ ^([0-9]+),([0-9]+),([0-9]+)$ ]] || { cannot_tell "a pixel reads \"$read\""; return; }
    [ "${BASH_REMATCH[1]}" -gt 0 ] && [ "${BASH_REMATCH[2]}${BASH_REMATCH[3]}" = 00 ] ||
        { explain "($1,$2) reads ${BASH_REMATCH[*]:1}"; return 1; }
}
# How many windows of the program are shown: one look, cheap enough to time a follow by.
shown_windows_are() {
    local shown
    shown=$(target_windows --onlyvisible | wc -l)
    [ "$shown" = "$1" ] || { explain "$shown windows shown"; return 1; }
}
# Waits until the program shows this many windows, at most 5 s, then logs the time since the
# change began and the part the system took to list it.
follows() { # count what started listed
    wait_for 5 shown_windows_are "$1" || return 1
    log "$2: followed in $(($(now_ms) - $3)) ms ($4 ms until the system listed it)"
}

target_start
check "at first start only the first screen has a frame" first_bands 20 50 any 30
check "and it ends black" first_bands 20 50 "$E2E_BLACK" 5
check "the second screen has none" shown_windows_are 1

right_click 10 384
xdotool key c
check "the menu opens the screens submenu with c" wait_for 3 covered_at 200 440
tool convert "$e2e_artifacts/screen.ppm" -crop 560x240+0+300 +repage "$e2e_artifacts/screens-menu.png"
xdotool key 2
check "its second item puts a frame on the second screen, black" second_bands 20 50 "$E2E_BLACK" 5
# The menu's key releases re-arm the first frame's fade, as any release does: it ends black.
check "the first frame keeps the keyboard and its margins" first_bands 20 50 "$E2E_BLACK" 5

xdotool mousemove 1030 300 click 1
check "a click on a band of the second frame makes it glow" wait_for 3 glows_at 1030 300
xdotool key Right Right Right Down Down
check "the arrows move its bands to 23 and 52" second_bands 23 52 any 3
check "the first frame stays black at 20 and 50" bands_on 0 0 1024 768 20 50 "$E2E_BLACK"
check "the second frame fades" second_bands 23 52 "$E2E_BLACK" 5

right_click 1030 300
xdotool key r
check "reset from the second frame's menu resets that frame" second_bands 20 50 any 3
check "and not the first" bands_on 0 0 1024 768 20 50 "$E2E_BLACK"
xdotool key Right Right
check "then two Right give 22" second_bands 22 50 any 3

xdotool key Escape
check "Escape ends the program" target_wait_exit 3
check "the first screen's margins are under the plain keys" \
    test "$(target_stored Horizontale) $(target_stored Verticale)" = "20 50"
check "the checked set names two screens" test "$(target_stored Ecrans | wc -w)" = 2
target_end
checked=2
if [ -n "${E2E_REPLUG_RENAMES:-}" ]; then
    check "the second screen's settings also name the output it will come back as" \
        second_settings_follow_rename
    checked=3 # the name it leaves stays checked, as any screen that is away
fi

target_start
check "a restart brings the first frame back at 20" first_bands 20 50 any 30
check "and the second at 22" second_bands 22 50 "$E2E_BLACK" 3
capture
keep screens-restart
if target_second_work_area; then
    set_keep_inside 10 384 1 || true
    second_area_is() { same_text "$(target_managed_geometry)" "$E2E_SECOND_AREA"; }
    check "with windows kept inside, the second screen keeps its own bands" wait_for 10 second_area_is
    close_managed_window
fi
xdotool mousemove 1030 300 click 1
check "a click on the second frame gives it the keyboard again" wait_for 3 glows_at 1030 300

started=$(now_ms)
check "the second display is unplugged" unplug_second
listed=$(($(now_ms) - started))
# A second on a quiet machine; the bound leaves room for a loaded one.
check "its frame goes" follows 1 unplugged "$started" "$listed"
check "the keyboard goes back to the first frame, which glows" wait_for 3 glows_at 5 384
xdotool key Right
check "and takes the arrows" first_bands 21 50 any 3

started=$(now_ms)
check "the second display is plugged back in" plug_second
listed=$(($(now_ms) - started))
check "its frame comes back" follows 2 "plugged back" "$started" "$listed"
check "with its margins of 22 and 50" second_bands 22 50 "$E2E_BLACK" 3

xdotool key Escape
check "Escape ends the restarted program" target_wait_exit 3
check "the first screen's new margins are stored" \
    test "$(target_stored Horizontale) $(target_stored Verticale)" = "21 50"
check "the checked set still names them" test "$(target_stored Ecrans | wc -w)" = "$checked"
target_end

finish
