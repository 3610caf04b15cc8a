#!/usr/bin/env bash
# Makes the signed stand-in SDK fixtures from the built DLLs:
#
#   sign-fixtures.sh <pkidir> <outdir> <quilsdk.dll> [<quilsdk_no_Export.dll>...]
#
# into <outdir>:
#   quilsdk.dll            signed by tesmora, with intermediate and root in the signature
#   quilsdk_upper.dll      signed by tesmora-upper (O=TESMORA, INC.)
#   quilsdk_other.dll      signed by another publisher under the trusted root
#   quilsdk_untrusted.dll  signed by a Tesmora certificate under the untrusted root
#   quilsdk_smuggled.dll   signed by the other publisher, with the self-signed smuggle certificate
#                          (O=Tesmora, Inc) added to the signature's certificate bag
#   quilsdk_unsigned.dll   not signed
#   quilsdk_flipped.dll    quilsdk.dll with one byte of .rdata changed after signing
#   quilsdk_no_<Export>.dll  each variant, signed like quilsdk.dll
#
# <pkidir> is what make-pki.sh created. OSSLSIGNCODE and OBJDUMP may name the tools to use.
set -euo pipefail

if [[ $# -lt 3 ]]; then
    echo "usage: $0 <pkidir> <outdir> <quilsdk.dll> [<variant.dll>...]" >&2
    exit 2
fi

readonly OSSLSIGNCODE="${OSSLSIGNCODE:-osslsigncode}"
readonly OBJDUMP="${OBJDUMP:-x86_64-w64-mingw32-objdump}"
readonly PKI="$1"
readonly OUT="$2"
readonly SDK="$3"
shift 3

# The constant quilsdk/src/tamper_target.cpp puts in .rdata for the tampered fixture to change.
readonly TAMPER_TARGET="QUILSDK-STANDIN-TAMPER-TARGET:"

# sign <signer> <input> <output> [osslsigncode options...]
sign() {
    local signer="$1" input="$2" output="$3"
    shift 3
    rm -f "$output.tmp"
    "$OSSLSIGNCODE" sign -h sha256 -certs "$PKI/$signer-chain.pem" -key "$PKI/$signer.key" "$@" \
        -in "$input" -out "$output.tmp" >/dev/null
    mv -f "$output.tmp" "$output"
}

# Prints "<file offset> <size>" (decimal) of the section named $2 in the PE file $1.
section_range() {
    local offset size
    read -r offset size < <("$OBJDUMP" -h "$1" | awk -v name="$2" '$2 == name { print $6, $3 }')
    [[ -n "$offset" ]] && echo "$((16#$offset)) $((16#$size))"
}

# flip <input> <output>: copies input and changes one byte of the tamper target, after checking
# that the byte lies inside .rdata (hashed by Authenticode) and so not in the certificate table.
flip() {
    local input="$1" output="$2" offset start size byte
    offset="$(grep -obUaF "$TAMPER_TARGET" "$input" | head -n 1 | cut -d: -f1)"
    read -r start size < <(section_range "$input" .rdata)
    if [[ -z "$offset" || -z "$start" ]] || ((offset < start || offset >= start + size)); then
        echo "$0: tamper target not found inside .rdata of $input" >&2
        exit 1
    fi
    cp -f "$input" "$output.tmp"
    # 'Q' becomes 'q': still printable, and never the byte it was.
    byte="$(od -An -tx1 -j "$offset" -N 1 "$input" | tr -d ' ')"
    printf '%b' "\\x$(printf '%02x' $((0x$byte ^ 0x20)))" |
        dd of="$output.tmp" bs=1 seek="$offset" count=1 conv=notrunc status=none
    mv -f "$output.tmp" "$output"
}

mkdir -p "$OUT"
sign tesmora "$SDK" "$OUT/quilsdk.dll"
sign tesmora-upper "$SDK" "$OUT/quilsdk_upper.dll"
sign other "$SDK" "$OUT/quilsdk_other.dll"
sign untrusted "$SDK" "$OUT/quilsdk_untrusted.dll"
sign other "$SDK" "$OUT/quilsdk_smuggled.dll" -ac "$PKI/smuggle.pem"
cp -f "$SDK" "$OUT/quilsdk_unsigned.dll"
flip "$OUT/quilsdk.dll" "$OUT/quilsdk_flipped.dll"
for variant in "$@"; do
    sign tesmora "$variant" "$OUT/$(basename "$variant")"
done
