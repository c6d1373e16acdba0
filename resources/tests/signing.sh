#!/usr/bin/env bash
# The signing round trip: a throwaway certificate authority and a
# code-signing certificate issued by it, bundled as a vendor's PFX with a
# password; sign.sh signs a copy of the updater; osslsigncode verify accepts
# the signature against that authority and rejects it after a byte changes.
#
#   signing.sh SIGN_SH UPDATER_EXE WORK_DIR
set -euo pipefail
sign=$1 updater=$2 work=$3
rm -rf "$work"
mkdir -p "$work"
cd "$work"

fail() { echo "FAIL: $*" >&2; exit 1; }

# A CA and a leaf with the code-signing extended key usage, as a vendor's
# certificate would be; valid from an hour ago so that clock skew does not
# matter.
cat > openssl.cnf <<'EOF'
[req]
distinguished_name = dn
prompt = no
[dn]
CN = placeholder
[ca]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[leaf]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
EOF
openssl req -x509 -config openssl.cnf -extensions ca -newkey rsa:2048 -nodes \
  -keyout ca.key -out ca.pem -days 2 -subj "/CN=Brindlewick Test Root" 2>/dev/null
openssl req -new -config openssl.cnf -newkey rsa:2048 -nodes -keyout leaf.key -out leaf.csr \
  -subj "/O=Brindlewick Test Vendor/CN=Brindlewick Test Code Signing" 2>/dev/null
openssl x509 -req -in leaf.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 \
  -extfile openssl.cnf -extensions leaf -out leaf.pem 2>/dev/null
printf 'correct horse\n' > password
openssl pkcs12 -export -inkey leaf.key -in leaf.pem -certfile ca.pem \
  -passout file:password -out vendor.pfx
# A second, unrelated authority that must not vouch for the signature.
openssl req -x509 -config openssl.cnf -extensions ca -newkey rsa:2048 -nodes \
  -keyout other.key -out other.pem -days 2 -subj "/CN=Unrelated Root" 2>/dev/null

cp "$updater" unsigned.exe
original=$(sha256sum < unsigned.exe)

echo "== sign with the password from a file"
"$sign" --pfx vendor.pfx --password-file password unsigned.exe signed.exe
[ "$(sha256sum < unsigned.exe)" = "$original" ] || fail "the input was changed"
cmp -s unsigned.exe signed.exe && fail "the output is not signed"

echo "== verify against the issuing authority"
osslsigncode verify -CAfile ca.pem -in signed.exe > verify.log 2>&1 \
  || { cat verify.log; fail "the signature does not verify"; }
grep -q "Signature verification: ok" verify.log || { cat verify.log; fail "no verified signature"; }
grep -q "Brindlewick Test Code Signing" verify.log || { cat verify.log; fail "wrong signer"; }
grep -q "Number of verified signatures: 1" verify.log || { cat verify.log; fail "not one signature"; }

echo "== an unrelated authority does not vouch for it"
if osslsigncode verify -CAfile other.pem -in signed.exe > other.log 2>&1; then
  cat other.log; fail "verified against a CA that did not issue the certificate"
fi

echo "== a changed byte breaks the signature"
cp signed.exe tampered.exe
# A byte inside the code, far from the header and the signature.
printf '\x90' | dd of=tampered.exe bs=1 seek=2048 conv=notrunc 2>/dev/null
cmp -s signed.exe tampered.exe && fail "the tampering changed nothing"
if osslsigncode verify -CAfile ca.pem -in tampered.exe > tampered.log 2>&1; then
  cat tampered.log; fail "a changed file still verifies"
fi

echo "== the password from the environment, signing in place"
cp unsigned.exe in-place.exe
BRINDLEWICK_SIGN_PASSWORD='correct horse' "$sign" --pfx vendor.pfx in-place.exe in-place.exe \
  < /dev/null
osslsigncode verify -CAfile ca.pem -in in-place.exe > in-place.log 2>&1 \
  || { cat in-place.log; fail "the file signed in place does not verify"; }

echo "== a wrong password leaves nothing behind"
if BRINDLEWICK_SIGN_PASSWORD='wrong' "$sign" --pfx vendor.pfx unsigned.exe wrong.exe \
    < /dev/null 2> wrong.log; then
  fail "signed with a wrong password"
fi
[ ! -e wrong.exe ] && [ ! -e wrong.exe.signing ] || fail "a failed signing left a file"
[ "$(sha256sum < unsigned.exe)" = "$original" ] || fail "the input was changed"

echo "== no password at all is refused, not asked for"
if env -u BRINDLEWICK_SIGN_PASSWORD "$sign" --pfx vendor.pfx unsigned.exe none.exe \
    < /dev/null 2> none.log; then
  fail "signed without a password"
fi
[ ! -e none.exe ] || fail "a refused signing left a file"

echo "signing round trip: ok ($(stat -c %s signed.exe) bytes signed, $(stat -c %s unsigned.exe) unsigned)"
