#!/usr/bin/env bash
# A throwaway signer for tests, never for a release: throwaway-signer.sh FOLDER
# makes in FOLDER a CA, a code-signing certificate of its (valid from a day
# before the commit, whose time a signature bears), and a fresh SoftHSM2
# token holding the key; FOLDER/signer.env names that signer for make-dist.sh
# when sourced, and no other (no time-stamping service, the engine Debian
# puts). The PIN is in a file readable only by its owner.
set -euo pipefail
folder=$(realpath -m "$1")
module=$(ls /usr/lib/softhsm/libsofthsm2.so /usr/lib/*/softhsm/libsofthsm2.so 2>/dev/null | head -n 1)
[[ -n $module ]] || { echo "throwaway-signer.sh: SoftHSM2 is missing (softhsm2)" >&2; exit 1; }
epoch=$(git -C "$(dirname "$0")/../.." log -1 --format=%ct HEAD)

rm -rf "$folder"
mkdir -p "$folder/tokens"
cd "$folder"
quietly() { "$@" >/dev/null 2>&1 || { echo "throwaway-signer.sh: $1 failed" >&2; exit 1; }; }
from_before_the_commit() { faketime "@$((epoch - 86400))" "$@"; }

quietly from_before_the_commit openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 3650 \
    -subj "/CN=Mirvel Throwaway Test CA" -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign,cRLSign"
quietly openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr \
    -subj "/CN=Mirvel Throwaway Test Signer"
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >signer.ext
quietly from_before_the_commit openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial \
    -out signer.pem -days 3650 -extfile signer.ext
cat signer.pem ca.pem >chain.pem
quietly openssl pkcs8 -topk8 -nocrypt -in signer.key -out signer.p8

# The token, in a configuration and folder of its own.
printf 'directories.tokendir = %s/tokens\nobjectstore.backend = file\nlog.level = ERROR\n' "$folder" >softhsm2.conf
export SOFTHSM2_CONF=$folder/softhsm2.conf
pin=$(od -An -N8 -tu8 /dev/urandom | tr -d ' ')
(umask 077 && printf '%s\n' "$pin" >pin.txt)
quietly softhsm2-util --init-token --free --label mirvel-throwaway --pin "$pin" --so-pin "$pin"
quietly softhsm2-util --import signer.p8 --token mirvel-throwaway --label mirvel-signing --id 01 --pin "$pin"
rm -f signer.key signer.p8 signer.csr ca.key  # the key lives on the token alone

cat >signer.env <<ENV
unset SIGN_TIMESTAMP_URL MIRVEL_SIGN_PKCS11_ENGINE
export SOFTHSM2_CONF='$folder/softhsm2.conf'
export MIRVEL_SIGN_CERTS='$folder/chain.pem'
export MIRVEL_SIGN_KEY='pkcs11:token=mirvel-throwaway;object=mirvel-signing;type=private'
export MIRVEL_SIGN_PKCS11_MODULE='$module'
export MIRVEL_SIGN_PIN_FILE='$folder/pin.txt'
ENV
