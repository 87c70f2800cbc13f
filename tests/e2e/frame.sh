#!/usr/bin/env bash
# The frame as a user meets it: start-up glow and fade, the hole, the arrow keys, a letter, Escape,
# the margins kept for the next start, and stored values that are not plain margins.
# Usage: frame.sh TARGET, with the target's variables in the environment (see target-*.sh).
source "$(dirname "$0")/lib.sh" "$1"

start_display
target_clear_settings
# Where the frame is an X client, its beep is the X server's bell, which can be listened to.
x_bell() { case $E2E_TARGET in linux | windows | wayland-gnome) ;; *) return 1 ;; esac; }

# First start, empty store: 20-pixel side bands and 50-pixel top and bottom bands, glowing.
midy=$((E2E_HEIGHT / 2))
if [ -z "${E2E_SLOW_SCREEN:-}" ]; then
    # The left band is watched from before the start, so that no shade goes unseen on a busy
    # machine.
    watch_fade 5 "$midy" 40000
    started=$(now_ms)
    target_start
    check "a frame of 20 and 50 pixel bands appears" wait_for 30 bands_at 20 50
    log "start-up to a visible frame: $(($(now_ms) - started)) ms"
    keep frame-start
    check "it glows dark red, then fades through the shades to black, 25 ms apart" fade_seen glow
else
    # A screen read takes about a second: the band's red is sampled from the start, one pixel
    # over one connection, while the frame is looked for in any shade, and the bands, windows
    # of their own on some desktops, may show one after another.
    started=$(now_ms)
    target_start
    fade_reds 5 "$midy" 35 >"$e2e_artifacts/reds" &
    sampler=$!
    check "a frame appears" wait_for 30 shaded_at 0 "$midy"
    log "start-up to a visible frame: $(($(now_ms) - started)) ms"
    wait_bands 20 50 "$E2E_GLOW" 1 && keep frame-start
    wait "$sampler" || true
    # The reds from the glow on; before it, the desktop showed there.
    mapfile -t reds < <(sed -n '/^128$/,$p' "$e2e_artifacts/reds")
    check "the band glows right after start" test "${reds[0]:-}" = 128
    sampled_fade() { printf '0 %s,0,0\n' "${reds[@]}" | E2E_FADE_SHADES=8 E2E_FADE_COARSE=1 fade_in glow; }
    check "the glow fades through the shades of red to black" sampled_fade
fi
check "the bands end black" wait_bands 20 50 "$E2E_BLACK" 1
keep frame-black

frame_windows=$(target_windows)
check "the program's windows are found" test -n "$frame_windows"
xdotool mousemove $((E2E_WIDTH / 2)) $((E2E_HEIGHT / 2))
in_hole=$(window_under_pointer)
check "the hole belongs to the desktop, not the frame" \
    bash -c "! grep -qx '$in_hole' <<<'$frame_windows'"
xdotool mousemove 5 $((E2E_HEIGHT / 2))
on_band=$(window_under_pointer)
check "a band belongs to the frame" grep -qx "$on_band" <<<"$frame_windows"
xdotool mousemove $((E2E_WIDTH / 2)) $((E2E_HEIGHT / 2))
# A click in the hole reaches the window beneath, which may take the keyboard; a click on a band
# takes it back, and the keys that follow reach the frame only.
check "a click in the hole reaches the window beneath" \
    target_click_in_hole $((E2E_WIDTH / 2)) $((E2E_HEIGHT / 2))
xdotool mousemove 5 $((E2E_HEIGHT / 2)) click 1
check "a click on a band takes the keyboard back" wait_for 5 target_keyboard_taken

if [ -z "${E2E_SLOW_SCREEN:-}" ]; then
    # Watched above the pointer, which some compositors draw into the screen reads.
    watch_fade 5 $((midy - 40)) 10000
    xdotool key Right Right Right Down Down
    check "three Right and two Down move the edges to 23 and 52" wait_for 3 bands_at 23 52
    check "they glow, and 1.5 s after the release fade to black" fade_seen held
    check "the bands end black" wait_bands 23 52 "$E2E_BLACK" 1
    # A letter only beeps; its release runs the fade once more, which tells that it was handled.
    watch_fade 5 $((midy - 40)) 10000
    ! x_bell || listen_bell 10
    xdotool key a
    check "a letter's release runs the fade again" fade_seen
    if x_bell; then check "a key the frame does not use rings the bell" wait_for 5 bell_rung; fi
    check "a letter changes nothing" bands_at 23 52
else
    xdotool key Right Right Right Down Down
    check "three Right and two Down move the edges to 23 and 52, glowing" \
        wait_bands 23 52 "$E2E_GLOW" 3
    ! x_bell || listen_bell 10
    xdotool key a
    if x_bell; then check "a key the frame does not use rings the bell" wait_for 5 bell_rung; fi
    check "a letter changes nothing, and the bands fade back to black" \
        wait_bands 23 52 "$E2E_BLACK" 5
fi

check "no key reached the window beneath" no_key_beneath
xdotool key Escape
check "Escape ends the program within 2 s" target_wait_exit 2
check "the store holds 23 after Escape" same_text "$(target_stored Horizontale)" 23
check "the store holds 52 after Escape" same_text "$(target_stored Verticale)" 52
target_end

# Keys reach a restarted frame once it holds the keyboard, which a desktop may hand it only
# after the first paint (KWin under load): the window beneath hears it leave.
keyboard_on_frame() { wait_for 5 target_keyboard_taken || true; }
target_start
check "a restart restores 23 and 52" wait_for 30 bands_at 23 52
keyboard_on_frame
xdotool key Escape
check "the restarted program ends on Escape" target_wait_exit 2
target_end

# Text that is no number gives the default; a margin larger than the screen loads as it is.
target_store Horizontale abc
target_store Verticale 5000
target_start
check "stored \"abc\" starts with the default side bands" wait_for 30 shaded_at 19 $((E2E_HEIGHT / 2))
# Wine 10 may show a stray column beside a new shape until its next paint: the edge as it settles.
check "the side band edge is at 20" wait_for 3 captured pixel_is 20 $((E2E_HEIGHT / 2)) "$E2E_DESKTOP"
keyboard_on_frame
xdotool key Escape
check "the program with odd stored values ends on Escape" target_wait_exit 2
check "the unload rewrites clean decimal text" same_text "$(target_stored Horizontale)" 20
check "a stored 5000 is kept as it is" same_text "$(target_stored Verticale)" 5000
target_end

# A negative margin loads as it is; an empty text gives the default.
target_store Horizontale -7
target_store Verticale ""
target_start
check "stored \"\" starts with the default top band" wait_for 30 shaded_at $((E2E_WIDTH / 2)) 49
check "the top band edge is at 50" wait_for 3 captured pixel_is $((E2E_WIDTH / 2)) 50 "$E2E_DESKTOP"
keyboard_on_frame
xdotool key Escape
check "the program with a negative margin ends on Escape" target_wait_exit 2
check "a stored -7 is kept as it is" same_text "$(target_stored Horizontale)" -7
check "an empty text is rewritten as the default" same_text "$(target_stored Verticale)" 50
target_end

if [ "$E2E_TARGET" != windows ]; then
    for signal in TERM INT HUP; do
        target_clear_settings
        target_start
        wait_for 30 bands_at 20 50 || true
        keyboard_on_frame
        xdotool key Right
        check "SIG$signal after a key: the bands moved" wait_for 3 bands_at 21 50
        kill -"$signal" "$E2E_PID"
        check "SIG$signal ends the program" target_wait_exit 2
        check "SIG$signal saves the margins" same_text "$(target_stored Horizontale)" 21
    done
fi

finish
