#!/usr/bin/env bash
# Creates the test PKI that signs the stand-in SDK fixtures, in <outdir>:
#
#   root.pem / root.key / root.cer   trusted test root CA (root.cer is DER, for trustroot.exe)
#   intermediate.pem / .key          intermediate CA issued by the root
#   untrusted-root.pem / .key        a second root CA that is never trusted
#   <leaf>.pem / .key                code-signing certificates
#   <leaf>-chain.pem                 leaf, its issuing CAs and its root: what osslsigncode -certs takes
#
# Leaves: tesmora (O=Tesmora, Inc) and tesmora-upper (O=TESMORA, INC.) and other (another
# publisher), all under root -> intermediate; untrusted (O=Tesmora, Inc) under the untrusted root;
# smuggle, a lone self-signed O=Tesmora, Inc certificate that belongs to no chain.
#
# Every certificate carries a SHA-1 signature: Wine 8 runs the chain policy (and so can report an
# untrusted root) only for signers whose certificate is signed with SHA-1.
#
# Idempotent: when the PKI is complete in <outdir> nothing is touched. Otherwise the whole PKI is
# made anew in a scratch folder and moved into place, so a root and the certificates it issued never
# come from different runs. No key is ever meant to be committed: <outdir> is in the build folder.
set -euo pipefail

if [[ $# -ne 1 ]]; then
    echo "usage: $0 <outdir>" >&2
    exit 2
fi

readonly OPENSSL="${OPENSSL:-openssl}"
readonly DAYS=3650
readonly OUT="$1"
readonly FILES=(root.pem root.key root.cer intermediate.pem intermediate.key
    untrusted-root.pem untrusted-root.key
    tesmora.pem tesmora.key tesmora-chain.pem
    tesmora-upper.pem tesmora-upper.key tesmora-upper-chain.pem
    other.pem other.key other-chain.pem
    untrusted.pem untrusted.key untrusted-chain.pem
    smuggle.pem smuggle.key)

complete() {
    local file
    for file in "${FILES[@]}"; do
        [[ -s "$OUT/$file" ]] || return 1
    done
}

write_config() {
    cat >"$1" <<'CNF'
[ req ]
distinguished_name = req_dn
prompt = no

[ req_dn ]
CN = placeholder replaced by -subj

[ root_ca ]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash

[ intermediate_ca ]
basicConstraints = critical, CA:TRUE, pathlen:0
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid:always

[ code_signing ]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid:always

[ self_signed_code_signing ]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
CNF
}

new_key() {
    "$OPENSSL" genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "$1.key" 2>/dev/null
}

serial() {
    echo "0x$("$OPENSSL" rand -hex 12)"
}

# self_signed <name> <subject> <extension section>
self_signed() {
    new_key "$1"
    "$OPENSSL" req -new -x509 -sha1 -days "$DAYS" -set_serial "$(serial)" -key "$1.key" \
        -subj "$2" -config pki.cnf -extensions "$3" -out "$1.pem"
}

# issue <name> <subject> <issuer name> <extension section>
issue() {
    new_key "$1"
    "$OPENSSL" req -new -key "$1.key" -subj "$2" -config pki.cnf -out "$1.csr"
    "$OPENSSL" x509 -req -sha1 -days "$DAYS" -set_serial "$(serial)" -in "$1.csr" \
        -CA "$3.pem" -CAkey "$3.key" -extfile pki.cnf -extensions "$4" -out "$1.pem" 2>/dev/null
    rm -f "$1.csr"
}

# chain <leaf> <CA>...: the leaf first, then its issuers up to the root.
chain() {
    local leaf="$1"
    shift
    cat "$leaf.pem" "${@/%/.pem}" >"$leaf-chain.pem"
}

readonly TESMORA_SUBJECT="/C=US/ST=WA/O=Tesmora, Inc/CN=Tesmora Test Code Signing"

make_pki() {
    write_config pki.cnf
    self_signed root "/O=dttscsdk Test PKI/CN=dttscsdk Test Root CA" root_ca
    "$OPENSSL" x509 -in root.pem -outform DER -out root.cer
    issue intermediate "/O=dttscsdk Test PKI/CN=dttscsdk Test Intermediate CA" root intermediate_ca
    self_signed untrusted-root "/O=dttscsdk Test PKI/CN=dttscsdk Untrusted Test Root CA" root_ca

    issue tesmora "$TESMORA_SUBJECT" intermediate code_signing
    chain tesmora intermediate root
    issue tesmora-upper "/C=US/ST=WA/O=TESMORA, INC./CN=TESMORA TEST CODE SIGNING" intermediate \
        code_signing
    chain tesmora-upper intermediate root
    issue other "/C=GB/O=Brightwell Tools Ltd/CN=Brightwell Tools Code Signing" intermediate \
        code_signing
    chain other intermediate root
    issue untrusted "$TESMORA_SUBJECT" untrusted-root code_signing
    chain untrusted untrusted-root
    # Same subject as the real signer: a certificate merely carried in a signature must never
    # count as the signer, however convincing its name.
    self_signed smuggle "$TESMORA_SUBJECT" self_signed_code_signing
}

if complete; then
    exit 0
fi

mkdir -p "$OUT"
scratch="$(mktemp -d "$OUT/.new.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
(
    umask 077
    cd "$scratch"
    make_pki
)
for file in "${FILES[@]}"; do
    # Keys stay readable by their owner only; certificates are public.
    [[ "$file" == *.key ]] || chmod 644 "$scratch/$file"
    mv -f "$scratch/$file" "$OUT/$file"
done
echo "test PKI created in $OUT"
