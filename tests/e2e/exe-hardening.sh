#!/usr/bin/env bash
# Checks that the loader may place zelvaro.exe anywhere in the 64-bit address space and never runs
# its data: the PE header's DllCharacteristics, and the relocations that moving the program needs.
#   exe-hardening.sh OBJDUMP EXE
set -euo pipefail
objdump=$1 exe=$2

headers=$("$objdump" -p "$exe")
characteristics=$(sed -n 's/^DllCharacteristics[[:space:]]*\([0-9a-fA-F]*\).*/\1/p' <<<"$headers")
[ -n "$characteristics" ] || { echo "no DllCharacteristics in $exe"; exit 1; }
status=0
# HIGH_ENTROPY_VA 0x20, DYNAMIC_BASE 0x40, NX_COMPAT 0x100.
for flag in HIGH_ENTROPY_VA:0x20 DYNAMIC_BASE:0x40 NX_COMPAT:0x100; do
    if (((0x$characteristics & ${flag#*:}) == 0)); then
        echo "missing: ${flag%%:*} (DllCharacteristics 0x$characteristics)"
        status=1
    fi
done
if grep -q 'relocations stripped' <<<"$headers"; then
    echo "relocations stripped: the program cannot be moved"
    status=1
fi
relocations=$(sed -n 's/^Entry 5 [0-9a-fA-F]* \([0-9a-fA-F]*\) Base Relocation Directory.*/\1/p' \
    <<<"$headers")
if [ -z "$relocations" ] || ((0x$relocations == 0)); then
    echo "no base relocations: the program cannot be moved"
    status=1
fi
[ $status -ne 0 ] || echo "DllCharacteristics 0x$characteristics: high-entropy ASLR and DEP"
exit $status
