#!/usr/bin/env bash
# Checks that a Windows program imports only DLLs that every Windows installation has: no
# runtime of the compiler (libstdc++, libgcc, winpthreads) may be left to be shipped beside it,
# unless it is named as shipped.
# Usage: check_imports.sh OBJDUMP PROGRAM.exe [SHIPPED.dll...]
#   The DLLs named after the program are shipped beside it and allowed too.
set -euo pipefail

allowed=" advapi32.dll comctl32.dll comdlg32.dll gdi32.dll gdiplus.dll iphlpapi.dll kernel32.dll
  msvcrt.dll
  ole32.dll oleaut32.dll shell32.dll shlwapi.dll urlmon.dll user32.dll uuid.dll version.dll
  wininet.dll ws2_32.dll "

for shipped in "${@:3}"; do
  allowed+=" $(basename "$shipped" | tr '[:upper:]' '[:lower:]') "
done

imports=$("$1" -p "$2" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '[:upper:]' '[:lower:]')
if [ -z "$imports" ]; then
  echo "check_imports.sh: no imports read from $2" >&2
  exit 1
fi
status=0
for dll in $imports; do
  case "$allowed" in
    *" $dll "* | *" $dll"$'\n'*) echo "ok       $dll" ;;
    *) echo "FOREIGN  $dll"; status=1 ;;
  esac
done
exit $status
