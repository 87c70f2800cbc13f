#!/usr/bin/env bash
# "Quitter" ends the program every time, chosen with the pointer as with its access key, and
# saves the margins as Escape does. Usage: quit.sh TARGET [rounds]
source "$(dirname "$0")/lib.sh" "$1"
rounds=${2:-3}

start_display

midy=$((E2E_HEIGHT / 2))
for ((round = 1; round <= rounds; round++)); do
    for way in pointer key; do
        target_clear_settings
        target_start
        wait_for 30 bands_at 20 50 || true
        xdotool key Right
        check "round $round, $way: a key moves the bands" wait_for 10 bands_at 21 50
        xdotool mousemove 10 "$midy" click 3
        check "round $round, $way: a right click opens the menu" wait_for 10 covered_at 40 $((midy + 10))
        if [ "$way" = pointer ]; then
            # The last item, "Quitter", 82 pixels below the menu's top-left corner at the pointer.
            xdotool mousemove 60 $((midy + 82)) click 1
        else
            xdotool key q
        fi
        check "round $round, $way: Quitter ends the program" target_wait_exit 3
        check "round $round, $way: and saves the margins" test "$(target_stored Horizontale)" = 21
        target_kill
        target_end
    done
done

finish
