#!/usr/bin/env bash
# Signs Windows programs and installers (.exe, .msi) in place with Authenticode (SHA-256), using
# osslsigncode and a code-signing certificate with its key in a PKCS#12 file. With a time-stamp
# server (RFC 3161) the signatures stay valid after the certificate expires.
# usage: scripts/sign-windows.sh --certificate FILE.p12 --password-file FILE [--timestamp URL] FILE...
set -euo pipefail

usage() {
    echo "usage: $0 --certificate FILE.p12 --password-file FILE [--timestamp URL] FILE..." >&2
    exit 2
}

certificate='' password_file='' timestamp=''
while [ $# -gt 0 ]; do
    case $1 in
    --certificate) [ $# -ge 2 ] || usage; certificate=$2; shift 2 ;;
    --password-file) [ $# -ge 2 ] || usage; password_file=$2; shift 2 ;;
    --timestamp) [ $# -ge 2 ] || usage; timestamp=$2; shift 2 ;;
    --) shift; break ;;
    -*) usage ;;
    *) break ;;
    esac
done
[ -n "$certificate" ] && [ -n "$password_file" ] && [ $# -gt 0 ] || usage
command -v osslsigncode >/dev/null ||
    { echo "osslsigncode is missing (Debian: apt-get install osslsigncode)" >&2; exit 1; }
for file in "$certificate" "$password_file" "$@"; do
    [ -f "$file" ] || { echo "$0: no such file: $file" >&2; exit 1; }
done

options=(-pkcs12 "$certificate" -readpass "$password_file" -h sha256 -n "Tessaport Configuration")
[ -n "$timestamp" ] && options+=(-ts "$timestamp")

for file in "$@"; do
    # Into a new file beside the old one, which replaces it only once the signature is made.
    signed=$(mktemp "$file.signing.XXXXXX")
    rm -f "$signed"
    if ! log=$(osslsigncode sign "${options[@]}" -in "$file" -out "$signed" 2>&1); then
        printf '%s\n' "$log" >&2
        rm -f "$signed"
        echo "$0: could not sign $file" >&2
        exit 1
    fi
    chmod --reference="$file" "$signed"
    mv "$signed" "$file"
    echo "signed $file"
done
