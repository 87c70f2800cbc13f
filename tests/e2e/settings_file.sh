#!/usr/bin/env bash
# The native program's settings file under abuse: killed at random moments while it saves, the
# file always holds the old or the new complete content; a folder it cannot write gets one line on
# stderr and a normal end. Usage: settings_file.sh linux [cycles]
source "$(dirname "$0")/lib.sh" "$1"
cycles=${2:-100}

start_display

old=$'[Config]\nHorizontale=0021\nVerticale=0050'
new=$'[Config]\nHorizontale=21\nVerticale=50'
random_ms() { echo "0.$(printf '%03d' $((RANDOM % $1)))"; }

saved=0 kept=0 torn=0
for ((i = 0; i < cycles; i++)); do
    mkdir -p "$(dirname "$E2E_SETTINGS_FILE")"
    printf '%s\n' "$old" >"$E2E_SETTINGS_FILE"
    target_start
    sleep "$(random_ms 400)"
    kill -TERM "$E2E_PID" 2>/dev/null || true
    sleep "$(random_ms 40)"
    kill -KILL "$E2E_PID" 2>/dev/null || true
    wait "$E2E_PID" 2>/dev/null || true
    content=$(cat "$E2E_SETTINGS_FILE" 2>/dev/null || echo '(no file)')
    if [ "$content" = "$new" ]; then
        saved=$((saved + 1))
    elif [ "$content" = "$old" ]; then
        kept=$((kept + 1))
    else
        torn=$((torn + 1))
        log "cycle $i left: $(tr '\n' '|' <<<"$content")"
    fi
done
log "kill during save: $cycles cycles, $saved saved, $kept kept the old file, $torn torn"
check "a kill while saving never leaves a torn settings file" test "$torn" = 0
check "some kills landed after the save, some before" test "$saved" -gt 0 -a "$kept" -gt 0

# A folder that cannot exist: the program says so once and still ends normally.
export XDG_CONFIG_HOME=/dev/null/zelvaro
: >"$e2e_artifacts/program.log"
target_start
check "the frame starts without a writable settings folder" wait_for 30 bands_at 20 50
xdotool key Escape
status=0
wait "$E2E_PID" || status=$?
check "and ends normally on Escape" test "$status" = 0
mapfile -t complaints < <(grep -v '^QStandardPaths' "$e2e_artifacts/program.log")
log "stderr: ${complaints[*]}"
check "with one line on stderr" test "${#complaints[@]}" = 1
check "that names the file" grep -q '/dev/null/zelvaro/Zelvaro/Zelvaro.conf' <<<"${complaints[0]:-}"

finish
