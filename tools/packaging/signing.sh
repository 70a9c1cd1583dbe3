# Authenticode signing for make dist: SHA-256, with the key on a hardware
# token or HSM through PKCS#11 or, with a warning, in a file. Sourced by
# make-dist.sh; it signs only when a signer is named, by:
#   MIRVEL_SIGN_CERTS          the signing certificate and its chain (PEM), the signer's first
#   MIRVEL_SIGN_KEY            the key: a PKCS#11 URI (pkcs11:token=…;object=…), or a key file
#   MIRVEL_SIGN_PKCS11_MODULE  the token's PKCS#11 module (for a pkcs11: key)
#   MIRVEL_SIGN_PIN_FILE       a file holding the token's PIN or the key file's password;
#                              without it none is given (a token with its own PIN pad, say)
#   MIRVEL_SIGN_PKCS11_ENGINE  OpenSSL's pkcs11 engine (found where Debian puts it unless said)
#   SIGN_TIMESTAMP_URL         an RFC 3161 time-stamping service; optional, and the signed
#                              bytes then differ from build to build
# The PIN never appears on a command line or in the build log: osslsigncode
# reads it from the file. The signing time is SOURCE_DATE_EPOCH, the
# commit's, so one commit signed with one key gives the same bytes.

signing_requested() { [[ -n ${MIRVEL_SIGN_CERTS:-}${MIRVEL_SIGN_KEY:-} ]]; }

signing_engine=
signing_key_args=()

# Checks the signer named and readies the key; if anything is wrong, sets
# signing_problem to what, and returns 1.
signing_problem=
check_signer() {
    command -v osslsigncode >/dev/null || { signing_problem="osslsigncode is missing (make dist installs it)"; return 1; }
    command -v openssl >/dev/null || { signing_problem="openssl is missing"; return 1; }
    [[ -n ${MIRVEL_SIGN_CERTS:-} && -n ${MIRVEL_SIGN_KEY:-} ]] ||
        { signing_problem="name both MIRVEL_SIGN_CERTS and MIRVEL_SIGN_KEY, or neither"; return 1; }
    [[ -s $MIRVEL_SIGN_CERTS ]] || { signing_problem="no certificate file $MIRVEL_SIGN_CERTS"; return 1; }
    openssl x509 -noout -in "$MIRVEL_SIGN_CERTS" 2>/dev/null || { signing_problem="$MIRVEL_SIGN_CERTS holds no certificate"; return 1; }
    openssl x509 -noout -ext extendedKeyUsage -in "$MIRVEL_SIGN_CERTS" 2>/dev/null | grep -q 'Code Signing' ||
        { signing_problem="the certificate in $MIRVEL_SIGN_CERTS is not for code signing (extendedKeyUsage codeSigning)"; return 1; }
    if [[ -n ${MIRVEL_SIGN_PIN_FILE:-} && ! -r $MIRVEL_SIGN_PIN_FILE ]]; then
        signing_problem="cannot read the PIN file $MIRVEL_SIGN_PIN_FILE"
        return 1
    fi
    if [[ $MIRVEL_SIGN_KEY == pkcs11:* ]]; then
        [[ -r ${MIRVEL_SIGN_PKCS11_MODULE:-} ]] ||
            { signing_problem="a pkcs11: key needs the token's module in MIRVEL_SIGN_PKCS11_MODULE"; return 1; }
        signing_engine=${MIRVEL_SIGN_PKCS11_ENGINE:-$(ls /usr/lib/*/engines-3/pkcs11.so 2>/dev/null | head -n 1)}
        [[ -r $signing_engine ]] ||
            { signing_problem="OpenSSL's pkcs11 engine is missing (libengine-pkcs11-openssl, or MIRVEL_SIGN_PKCS11_ENGINE)"; return 1; }
        signing_key_args=(-pkcs11engine "$signing_engine" -pkcs11module "$MIRVEL_SIGN_PKCS11_MODULE"
                          -key "$MIRVEL_SIGN_KEY")
    else
        [[ -r $MIRVEL_SIGN_KEY ]] || { signing_problem="cannot read the key file $MIRVEL_SIGN_KEY"; return 1; }
        echo "warning: signing with a key from a file. Public certification authorities no longer issue" \
             "code-signing keys that way (since June 2023 the key must stay on a token or HSM); name the" \
             "key on the token with a pkcs11: URI for a release." >&2
        signing_key_args=(-key "$MIRVEL_SIGN_KEY")
    fi
}

signer_subject() { openssl x509 -noout -subject -nameopt RFC2253 -in "$MIRVEL_SIGN_CERTS" | sed 's/^subject=//'; }
signer_fingerprint() {
    openssl x509 -noout -fingerprint -sha256 -in "$MIRVEL_SIGN_CERTS" | sed 's/^.*=//; s/://g'
}

# Signs a program or an installer in place.
sign_file() {  # FILE
    local file=$1 signed=$1.signed log=$1.signing.log
    local args=(sign -certs "$MIRVEL_SIGN_CERTS" "${signing_key_args[@]}" -h sha256 -time "$SOURCE_DATE_EPOCH"
                -n "Mirvel" -in "$file" -out "$signed")
    [[ -n ${MIRVEL_SIGN_PIN_FILE:-} ]] && args+=(-readpass "$MIRVEL_SIGN_PIN_FILE")
    [[ -n ${SIGN_TIMESTAMP_URL:-} ]] && args+=(-ts "$SIGN_TIMESTAMP_URL")
    if ! osslsigncode "${args[@]}" >"$log" 2>&1; then
        sed 's/^/  osslsigncode: /' "$log" >&2
        rm -f "$signed" "$log"
        return 1
    fi
    rm -f "$log"
    mv "$signed" "$file"
}
