#!/usr/bin/env bash
# Builds everything with both compilers and runs the whole test suite under Wine, each build in
# its own folder and prefix. Safe to run again.
#   mingw (GCC): build, clang-tidy over the library's sources (scripts/lint.sh), the suite.
#   clang (clang/lld, the release build): build; the release package (scripts/release.sh), signed
#     with the test PKI; the package's checks (tests/release/package_test.sh: contents, symbols,
#     signature, reproducibility, hosts built with both compilers); then the suite, whose DLL
#     tests drive the packaged, signed DLL (DTTSC_TEST_DLL).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
scripts/install-deps.sh
started=$SECONDS
scratch=$(mktemp -d)
prefixes=()
# The Wine servers and their services were started with their output on /dev/null; end them when
# the run ends so nothing outlives it.
finish() {
    for prefix in "${prefixes[@]}"; do
        WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
    done
    rm -rf "$scratch"
}
trap finish EXIT

build() {
    cmake --preset "$1"
    cmake --build --preset "$1"
    prefixes+=("$repo/build/$1/wineprefix")
    scripts/prefix-setup.sh "build/$1"
}

build mingw
scripts/lint.sh build/mingw
ctest --preset mingw
echo "test: GCC build and suite done after $((SECONDS - started)) s"

build clang
# A signing identity of the test PKI: the Tesmora leaf with its intermediate and root.
pki=build/clang/testpki
openssl pkcs12 -export -inkey "$pki/tesmora.key" -in "$pki/tesmora-chain.pem" \
    -out "$scratch/signing.pfx" -passout pass:test-only
export DTTSCSDK_SIGN_PFX=$scratch/signing.pfx DTTSCSDK_SIGN_PASSWORD=test-only
unset DTTSCSDK_SIGN_TIMESTAMP_URL
scripts/release.sh
package=$scratch/package
python3 -m zipfile -e build/release/dttscsdk-*-win64.zip "$package"
tests/release/package_test.sh build/clang build/release "$package"
DTTSC_TEST_DLL="Z:${package//\//\\}\\bin\\dttscsdk.dll" ctest --preset clang
echo "test: both compilers, the package and both suites done after $((SECONDS - started)) s"
