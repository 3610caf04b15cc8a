#!/usr/bin/env bash
# Prepares the Wine prefix of a build folder for the tests: creates it once, starts the Wine
# server and its services with their output on /dev/null (so that no test run's pipes are held
# open by them), trusts the test root certificate and makes sure the wrapper log folder exists.
# Safe to run again. Usage: scripts/prefix-setup.sh <build-folder> [prefix]
set -euo pipefail
build=$(cd "${1:?usage: prefix-setup.sh <build-folder> [prefix]}" && pwd)
prefix=${2:-${DTTSC_WINEPREFIX:-$build/wineprefix}}
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY

if [ ! -f "$prefix/system.reg" ]; then
    mkdir -p "$prefix"
    wineboot -i </dev/null >/dev/null 2>&1
fi
wineserver -p30 </dev/null >/dev/null 2>&1 || true
wine cmd /c exit </dev/null >/dev/null 2>&1

root_cer=$build/testpki/root.cer
if [ -f "$root_cer" ]; then
    wine "$build/bin/trustroot.exe" add "$(winepath -w "$root_cer")" </dev/null >/dev/null
fi
log_folder=$(winepath -u 'C:\users\'"$(id -un)"'\AppData\Local\Tesmora\QUIL')
mkdir -p "$log_folder"
