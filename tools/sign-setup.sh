#!/usr/bin/env bash
# Signs a packed setup.exe with Authenticode (osslsigncode), so that the
# container behind the program image lies inside the signed range.
#
#   sign-setup.sh IN OUT [TEST_CERT_DIR]
#
# The certificate, first that is given:
#   SETUP_SIGNING_PKCS12=file.p12 (password in SETUP_SIGNING_PASSWORD, may be empty)
#   SETUP_SIGNING_CERT=cert.pem and SETUP_SIGNING_KEY=key.pem (key without passphrase)
#   otherwise a test certificate made once with openssl in TEST_CERT_DIR
#   (default: build/signing): test-cert.pem and test-key.pem.
# SETUP_SIGNING_TIMESTAMP=URL adds a time stamp from that server (needs the network).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
in=$1
out=$2
certs=${3:-$root/build/signing}
description="Parallaxia setup"

signer=()
if [ -n "${SETUP_SIGNING_PKCS12:-}" ]; then
    signer=(-pkcs12 "$SETUP_SIGNING_PKCS12" -pass "${SETUP_SIGNING_PASSWORD:-}")
elif [ -n "${SETUP_SIGNING_CERT:-}" ] && [ -n "${SETUP_SIGNING_KEY:-}" ]; then
    signer=(-certs "$SETUP_SIGNING_CERT" -key "$SETUP_SIGNING_KEY")
else
    mkdir -p "$certs"
    cert=$certs/test-cert.pem
    key=$certs/test-key.pem
    if [ ! -s "$cert" ] || [ ! -s "$key" ]; then
        openssl req -x509 -newkey rsa:3072 -nodes -sha256 -days 3650 \
            -keyout "$key.part" -out "$cert.part" -subj "/CN=Parallaxia test signing (not trusted)" \
            -addext "basicConstraints=critical,CA:FALSE" -addext "keyUsage=critical,digitalSignature" \
            -addext "extendedKeyUsage=codeSigning" 2>/dev/null
        mv "$key.part" "$key"
        mv "$cert.part" "$cert"
    fi
    signer=(-certs "$cert" -key "$key")
fi
timestamp=()
[ -n "${SETUP_SIGNING_TIMESTAMP:-}" ] && timestamp=(-ts "$SETUP_SIGNING_TIMESTAMP")

rm -f "$out.part"
osslsigncode sign "${signer[@]}" "${timestamp[@]}" -h sha256 -n "$description" -in "$in" -out "$out.part" >/dev/null
mv "$out.part" "$out"
