#!/usr/bin/env bash
# Builds everything with both compilers and runs the whole test suite under Wine, each build in
# its own folder and prefix. Safe to run again.
#   mingw (GCC): build, clang-tidy over the library's sources (scripts/lint.sh), the suite.
#   clang (clang/lld, the release build): build; the release package (scripts/release.sh), signed
#     with the test PKI; the package's checks (tests/release/package_test.sh: contents, symbols,
#     signature, reproducibility, hosts built with both compilers); then the suite, whose DLL
#     tests drive the packaged, signed DLL (DTTSC_TEST_DLL).
# The GCC suite mostly waits on Wine, one test at a time: it runs while the lint and the clang
# builds use the cores, and its output is shown when it ends.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
scripts/install-deps.sh
started=$SECONDS
scratch=$(mktemp -d)
prefixes=()
suite=""
# The Wine servers and their services were started with their output on /dev/null; end them when
# the run ends so nothing outlives it.
finish() {
    [ -z "$suite" ] || kill "$suite" 2>/dev/null || true
    for prefix in "${prefixes[@]}"; do
        WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
    done
    rm -rf "$scratch"
}
trap finish EXIT
elapsed() { echo "test: $1 after $((SECONDS - started)) s"; }

build() {
    cmake --preset "$1"
    cmake --build --preset "$1"
    prefixes+=("$repo/build/$1/wineprefix")
    scripts/prefix-setup.sh "build/$1"
}

build mingw
ctest --preset mingw >"$scratch/mingw-suite.log" 2>&1 &
suite=$!
scripts/lint.sh build/mingw
build clang
# A signing identity of the test PKI: the Tesmora leaf with its intermediate and root.
pki=build/clang/testpki
openssl pkcs12 -export -inkey "$pki/tesmora.key" -in "$pki/tesmora-chain.pem" \
    -out "$scratch/signing.pfx" -passout pass:test-only
export DTTSCSDK_SIGN_PFX=$scratch/signing.pfx DTTSCSDK_SIGN_PASSWORD=test-only
unset DTTSCSDK_SIGN_TIMESTAMP_URL
scripts/release.sh
elapsed "GCC and clang builds, lint and the release package done"

status=0
wait "$suite" || status=$?
suite=""
cat "$scratch/mingw-suite.log"
[ "$status" -eq 0 ] || { echo "test: the GCC suite failed" >&2; exit "$status"; }
elapsed "GCC suite passed"

package=$scratch/package
python3 -m zipfile -e build/release/dttscsdk-*-win64.zip "$package"
tests/release/package_test.sh build/clang build/release "$package"
DTTSC_TEST_DLL="Z:${package//\//\\}\\bin\\dttscsdk.dll" ctest --preset clang
elapsed "both suites and the package's checks passed"
