#!/usr/bin/env bash
# Runs a command on a private X server; for programs that need a display but drive themselves.
source "$(dirname "$0")/lib.sh" "" # no target
trap 'wineserver -k 2>/dev/null || true; stop_display' EXIT
start_display
"$@"
