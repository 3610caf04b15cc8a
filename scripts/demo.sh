#!/usr/bin/env bash
# Shows dttscsdk.dll at work in a host process, on a Wine machine set up as an installed one.
#
# Installs what is missing, builds with the mingw preset, provisions a demo prefix of its own
# (build/mingw/demo-prefix, apart from the tests' prefix) with the shared components of release
# 2026, the signed stand-in installer SDK and the trusted test root, then runs demo_host.exe:
# first a normal session, then one during a self-update of the installer. Safe to run again.
#
# DTTSC_DEMO_BUILD names another build folder to use instead of build/mingw.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"
build=${DTTSC_DEMO_BUILD:-$repo/build/mingw}
export DTTSC_WINEPREFIX=$build/demo-prefix
export WINEPREFIX=$DTTSC_WINEPREFIX WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY

components='C:\Program Files\Common Files\Tesmora Shared\Components'
version=1.0
sdk_location='%ProgramFiles%\Tesmora\QUIL\quilsdk.dll'
lock_file='C:\ProgramData\Tesmora\QUIL\TsQUILInstaller.run.lock'

step() { printf '\n=== %s\n' "$*"; }

step "Tools"
scripts/install-deps.sh

step "Build ($build)"
cmake --preset mingw -B "$build" >/dev/null
cmake --build "$build" -j2 --target demo_host signed_fixtures trustroot

step "Demo machine ($WINEPREFIX)"
# Creates the prefix, starts its server quietly, trusts the test root, makes the log folder.
scripts/prefix-setup.sh "$build" "$WINEPREFIX"
wine reg add 'HKLM\SOFTWARE\Tesmora\SharedComponents\2026' /v InstallPath /t REG_SZ \
    /d "$components" /f >/dev/null
wine reg add 'HKLM\SOFTWARE\Tesmora\SharedComponents\2026' /v Version /t REG_SZ \
    /d "$version" /f >/dev/null
wine reg delete 'HKLM\SOFTWARE\Tesmora\SharedComponents\2026' /v EnablePathOverride /f \
    >/dev/null 2>&1 || true
wine reg add 'HKLM\SOFTWARE\Tesmora\QUIL' /v QUILSDKLocation /t REG_EXPAND_SZ \
    /d "$sdk_location" /f >/dev/null
mkdir -p "$(winepath -u "$components\\$version")"
sdk_file=$(winepath -u 'C:\Program Files\Tesmora\QUIL\quilsdk.dll')
mkdir -p "$(dirname "$sdk_file")"
cp -f "$build/bin/fixtures/quilsdk.dll" "$sdk_file"
rm -f "$(winepath -u "$lock_file")"
echo "InstallPath     = $components"
echo "Version         = $version"
echo "QUILSDKLocation = $sdk_location (the signed stand-in SDK)"

step "Session"
"$build/wine-run.sh" "$build/bin/demo_host.exe"

step "Session during a self-update of the installer"
# demo_host.exe starts a stand-in installer process, writes its id into the installer's lock
# file and removes both when it is done; the lock file is removed here too in case it was not.
trap 'rm -f "$(winepath -u "$lock_file")"' EXIT
"$build/wine-run.sh" "$build/bin/demo_host.exe" --during-self-update
