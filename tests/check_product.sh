#!/usr/bin/env bash
# Checks that the shipped 32-bit installer is a PE32 GUI program for Intel 80386, that every
# DLL it imports is a Windows system DLL (one that Wine reimplements, less the libraries Wine
# ships for itself or as redistributables), and that its manifest asks
# for administrator rights.
set -euo pipefail
product=$1
system_dlls=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows

description=$(file -b "$product")
case "$description" in
  "PE32 executable (GUI) Intel 80386"*) echo "file: $description" ;;
  *) echo "not a PE32 GUI program for Intel 80386: $description" >&2; exit 1 ;;
esac

failures=0
while read -r dll; do
  case "${dll,,}" in
    zlib1.dll | lib*.dll | msvcp*.dll | vcruntime*.dll)
      echo "imports a library that Windows does not provide: $dll" >&2
      failures=1
      continue
      ;;
  esac
  if [ -z "$(find "$system_dlls" -maxdepth 1 -iname "$dll" -print -quit)" ]; then
    echo "imports a DLL that is not part of Windows: $dll" >&2
    failures=1
  else
    echo "imports $dll"
  fi
done < <(i686-w64-mingw32-objdump -p "$product" | sed -n 's/^\s*DLL Name: //p')

if ! grep -aq 'level="requireAdministrator"' "$product"; then
  echo "the manifest does not ask for requireAdministrator" >&2
  failures=1
fi
exit $failures
