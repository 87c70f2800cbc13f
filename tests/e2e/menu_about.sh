#!/usr/bin/env bash
# The context menu and the About box as a user meets them: the menu and its default item, the
# modal box with its caption, links, alternating donation picture and press effect, the
# addresses handed to the shell, reset and quit.
# Usage: menu_about.sh TARGET, with the target's variables in the environment (see target-*.sh)
# and the expected addresses in ZELVARO_WEB_ADDRESS, ZELVARO_EMAIL_ADDRESS and
# ZELVARO_DONATION_ADDRESS.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
source "$here/target-$1.sh"

trap 'target_kill; stop_display' EXIT
start_display
target_clear_settings
target_record_shell "$e2e_artifacts/shell.log"

midy=$((E2E_HEIGHT / 2))
right_click_band() { xdotool mousemove 10 "$midy" click 3; sleep 0.5; }
about_window() { xdotool search --name "^A propos de Zelvaro v1.2.2\$" 2>/dev/null | head -n1; }
about_open() { [ -n "$(about_window)" ]; }
about_closed() { ! about_open; }
grab() { import -window root -crop "$3x$4+$1+$2" "$5"; }
same_image() { [ "$(compare -metric AE "$1" "$2" null: 2>&1 | cut -d' ' -f1)" = 0 ]; }
different_images() { ! same_image "$1" "$2"; }
menu_open_at() { ! pixel_is "$1" "$2" "$E2E_DESKTOP"; }
recorded() { grep -c . "$e2e_artifacts/shell.log" 2>/dev/null || echo 0; }
last_recorded() { tail -n1 "$e2e_artifacts/shell.log" | sed 's#/$##'; }
recorded_at_least() { [ "$(recorded)" -ge "$1" ]; }

target_start
check "the frame starts" wait_bands 20 50 "$E2E_GLOW" 30
check "and fades" wait_bands 20 50 "$E2E_BLACK" 5

xdotool mousemove 10 "$midy" click 1 click 2
sleep 0.3
capture
check "left and middle clicks on a band do nothing" bands_are 20 50 "$E2E_BLACK"

right_click_band
captured_menu_open_at() { capture && menu_open_at "$@"; }
check "a right click on a band opens a menu at the pointer" \
    wait_for 3 captured_menu_open_at 40 $((midy + 10))
cp "$e2e_artifacts/screen.png" "$e2e_artifacts/menu.png"
xdotool key Escape
sleep 0.3
capture
check "a dismissed menu changes nothing" bands_are 20 50 "$E2E_BLACK"

right_click_band
xdotool key p
check "p opens the About box, captioned with the title and version" wait_for 10 about_open
about=$(about_window)
opened=$(now_ms)
# Sleeps until the given number of milliseconds after the box opened.
sleep_until() { sleep "$(awk -v ms=$(($1 + opened - $(now_ms))) 'BEGIN { print (ms > 0 ? ms / 1000 : 0) }')"; }
read -r cx cy < <(target_client_origin "$about" 393 217)
sleep 0.5
xdotool mousemove $((cx + 200)) $((cy + 120)) # over the description: both links blue
grab "$cx" "$cy" 393 217 "$e2e_artifacts/about-1.png"
cp "$e2e_artifacts/about-1.png" "$e2e_artifacts/about.png"

xdotool key Right Right Down
# The menu's Escape release re-armed the fade, which may be running: wait for it to end.
check "arrow keys while the box is open leave the frame alone" wait_bands 20 50 "$E2E_BLACK" 3

# The donation picture swaps every 3 s from the opening: sample mid-interval.
sleep_until 1500
grab $((cx + 296)) $((cy + 44)) 89 21 "$e2e_artifacts/donate-a.png"
sleep_until 4500
grab $((cx + 296)) $((cy + 44)) 89 21 "$e2e_artifacts/donate-b.png"
sleep_until 7500
grab $((cx + 296)) $((cy + 44)) 89 21 "$e2e_artifacts/donate-c.png"
check "the donation picture changes after 3 s" \
    different_images "$e2e_artifacts/donate-a.png" "$e2e_artifacts/donate-b.png"
check "and comes back after 6 s" same_image "$e2e_artifacts/donate-a.png" "$e2e_artifacts/donate-c.png"

# Pressing the donation button sinks it one pixel; releasing puts it back. Sampled between two
# swaps so that the picture stays the same.
sleep_until 9400
xdotool mousemove $((cx + 330)) $((cy + 54)) mousedown 3
sleep 0.3
grab $((cx + 296)) $((cy + 44)) 90 22 "$e2e_artifacts/pressed.png"
xdotool mouseup 3
sleep 0.3
grab $((cx + 296)) $((cy + 44)) 90 22 "$e2e_artifacts/released.png"
check "a press sinks the donation button" \
    different_images "$e2e_artifacts/pressed.png" "$e2e_artifacts/released.png"
convert "$e2e_artifacts/released.png" -crop 89x21+0+0 +repage "$e2e_artifacts/released-cut.png"
convert "$e2e_artifacts/pressed.png" -crop 89x21+1+1 +repage "$e2e_artifacts/pressed-cut.png"
check "by one pixel right and down" same_image "$e2e_artifacts/released-cut.png" "$e2e_artifacts/pressed-cut.png"

# The links and the donation button hand their addresses to the shell.
xdotool mousemove $((cx + 115)) $((cy + 33)) click 1
check "the web link opens the web address" wait_for 10 recorded_at_least 1
check "exactly as shown" test "$(last_recorded)" = "${ZELVARO_WEB_ADDRESS%/}"
xdotool mousemove $((cx + 115)) $((cy + 49)) click 1
check "the e-mail link writes to the e-mail address" wait_for 10 recorded_at_least 2
check "with mailto:" test "$(last_recorded)" = "mailto:$ZELVARO_EMAIL_ADDRESS"
xdotool mousemove $((cx + 340)) $((cy + 54)) click 1
check "the donation button opens the donation link" wait_for 10 recorded_at_least 3
check "deciphered" test "$(last_recorded)" = "${ZELVARO_DONATION_ADDRESS%/}"

xdotool key Escape
sleep 0.5
check "Escape closes the box" about_closed
xdotool key Right Right
check "the frame takes the keys again" wait_bands 22 50 "$E2E_GLOW" 3

right_click_band
xdotool key r
check "reset brings the bands back to 20 and 50, glowing" wait_bands 20 50 "$E2E_GLOW" 3
check "and fading" wait_bands 20 50 "$E2E_BLACK" 5

xdotool key Right Right Right
sleep 0.3
right_click_band
xdotool key q
check "quit ends the program" target_wait_exit 3
check "and saves the margins as Escape does" \
    test "$(target_stored Horizontale) $(target_stored Verticale)" = "23 50"
target_end

finish
