#!/usr/bin/env bash
# Signs BrindlewickUpdater.exe (or any PE file) with a vendor's code-signing
# certificate, using osslsigncode.
#
#   scripts/sign.sh --pfx CERT.pfx [--password-file FILE] [--timestamp URL]
#                   [--description TEXT] [--url URL] INPUT.exe OUTPUT.exe
#
# The PFX (PKCS#12) holds the certificate, its chain and the private key.
# Its password is read from FILE (first line), else from the environment
# variable BRINDLEWICK_SIGN_PASSWORD, else asked for on the terminal; it is
# never put on a command line, where other users could see it. A PFX without
# a password: give an empty file.
#
# --timestamp asks an RFC 3161 time-stamping service to countersign, so the
# signature stays valid after the certificate expires. It needs the network
# and is off unless given.
#
# OUTPUT may be the same path as INPUT. It is written only when signing
# succeeded; on failure nothing is left behind and the exit code is not 0.
set -euo pipefail

usage() {
  sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

pfx="" password_file="" timestamp="" description="Brindlewick Updater" url=""
while [ $# -gt 0 ]; do
  case $1 in
    --pfx) pfx=${2:?}; shift 2 ;;
    --password-file) password_file=${2:?}; shift 2 ;;
    --timestamp) timestamp=${2:?}; shift 2 ;;
    --description) description=${2:?}; shift 2 ;;
    --url) url=${2:?}; shift 2 ;;
    -h|--help) usage ;;
    --) shift; break ;;
    -*) echo "sign.sh: unknown option $1" >&2; usage ;;
    *) break ;;
  esac
done
[ $# -eq 2 ] && [ -n "$pfx" ] || usage
input=$1 output=$2
[ -f "$pfx" ] || { echo "sign.sh: no such PFX file: $pfx" >&2; exit 1; }
[ -f "$input" ] || { echo "sign.sh: no such file to sign: $input" >&2; exit 1; }
command -v osslsigncode >/dev/null || { echo "sign.sh: osslsigncode is not installed" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The password goes to osslsigncode through a file only this user can read.
umask 077
if [ -n "$password_file" ]; then
  head -n 1 "$password_file" | tr -d '\r\n' > "$work/password"
elif [ -n "${BRINDLEWICK_SIGN_PASSWORD+set}" ]; then
  printf '%s' "$BRINDLEWICK_SIGN_PASSWORD" > "$work/password"
elif [ -t 0 ]; then
  read -r -s -p "Password for $pfx: " answer
  echo >&2
  printf '%s' "$answer" > "$work/password"
else
  echo "sign.sh: no password: give --password-file or BRINDLEWICK_SIGN_PASSWORD" >&2
  exit 1
fi

arguments=(sign -pkcs12 "$pfx" -readpass "$work/password" -h sha256 -n "$description")
[ -n "$url" ] && arguments+=(-i "$url")
[ -n "$timestamp" ] && arguments+=(-ts "$timestamp")
if ! osslsigncode "${arguments[@]}" -in "$input" -out "$work/signed.exe" >"$work/log" 2>&1; then
  cat "$work/log" >&2
  echo "sign.sh: signing failed; $output was not written" >&2
  exit 1
fi
umask 022
# Written beside the destination first, so that the output appears whole.
cp "$work/signed.exe" "$output.signing"
chmod 0755 "$output.signing"
mv -f "$output.signing" "$output"
echo "signed: $output"
