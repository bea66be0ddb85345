#!/usr/bin/env bash
# Fails when the program imports anything but DLLs the loader always takes from
# the system's known-DLL list: any other name would first be looked for beside
# the program, where a planted file of that name would be loaded.
#   check-imports.sh OBJDUMP PROGRAM
set -euo pipefail
objdump=$1
program=$2
allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|msvcrt)\.dll$'
mapfile -t dlls < <("$objdump" -p "$program" | sed -n 's/^[[:space:]]*DLL Name: //p')
[ ${#dlls[@]} -gt 0 ] || { echo "no import table found in $program" >&2; exit 1; }
status=0
for dll in "${dlls[@]}"; do
    if [[ "$dll" =~ $allowed ]]; then
        echo "ok: $dll"
    else
        echo "not a system DLL: $dll" >&2
        status=1
    fi
done
exit $status
