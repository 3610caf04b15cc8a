#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian machine, if anything is missing.
set -euo pipefail
packages=(g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 cmake ninja-build googletest
          openssl osslsigncode nlohmann-json3-dev clang-tidy clang lld llvm python3)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
