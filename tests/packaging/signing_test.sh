#!/usr/bin/env bash
# scripts/sign-windows.sh with a throwaway certificate made here: each signed copy of the given
# programs and installers verifies against that certificate, and fails to once a byte of it is
# changed. The given files are left as they are.
# usage: signing_test.sh FILE...
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tessaport-signing-test.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

suite=signing
# shellcheck source=checks.sh
source "$here/checks.sh"

# A self-signed code-signing certificate, valid for a day, and its key in a PKCS#12 file.
openssl rand -hex 16 >"$scratch/password"
if ! openssl req -x509 -newkey rsa:3072 -sha256 -days 1 -nodes -subj "/CN=TessaportConfig test" \
    -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
    -keyout "$scratch/key.pem" -out "$scratch/certificate.pem" >"$scratch/openssl.log" 2>&1 ||
    ! openssl pkcs12 -export -inkey "$scratch/key.pem" -in "$scratch/certificate.pem" \
        -passout "file:$scratch/password" -out "$scratch/certificate.p12" >>"$scratch/openssl.log" 2>&1; then
    cat "$scratch/openssl.log" >&2
    echo "signing: cannot make the throwaway certificate" >&2
    exit 1
fi

signs() { "$here/../../scripts/sign-windows.sh" --certificate "$scratch/certificate.p12" \
    --password-file "$scratch/password" "$1" >/dev/null; }
verifies() { osslsigncode verify -CAfile "$scratch/certificate.pem" -in "$1" >"$scratch/verify.log" 2>&1; }

# Refused for the file's changed content, not for an unreadable file.
rejected() { ! verifies "$1" && grep -qi 'mismatch' "$scratch/verify.log"; }

# Where a changed byte must break the signature: in the cabinet of an MSI, in the middle of a
# program's code otherwise.
offset_to_change() {
    local cabinet
    if [[ $1 == *.msi ]]; then
        cabinet=$(grep -obUa 'MSCF' "$1" | head -n1 | cut -d: -f1)
        echo $((cabinet + 200))
    else
        echo $(($(stat -c %s "$1") / 2))
    fi
}

mkdir "$scratch/files"
for file in "$@"; do
    name=$(basename "$file")
    copy=$scratch/files/$name
    cp "$file" "$copy"
    check "$name: signed" signs "$copy" || continue
    check "$name: the signature verifies" verifies "$copy" || cat "$scratch/verify.log" >&2
    at=$(offset_to_change "$copy")
    byte=$(od -An -tu1 -j "$at" -N 1 "$copy" | tr -d ' ')
    printf "$(printf '\\%03o' $(((byte + 1) % 256)))" |
        dd of="$copy" bs=1 seek="$at" conv=notrunc status=none
    check "$name: a changed byte (at $at) fails verification on its digest" rejected "$copy" ||
        cat "$scratch/verify.log" >&2
done
checks_summary
