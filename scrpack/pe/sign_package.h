// Authenticode signing of a finished package by an existing signer,
// osslsigncode, found on PATH.  scrpack only runs it: the signature is a
// certificate table the signer appends after the last block, and it
// points the PE security directory entry at it, so the installer still
// finds its manifest through the resource directory.
#ifndef SCRPACK_PE_SIGN_PACKAGE_H
#define SCRPACK_PE_SIGN_PACKAGE_H

#include <string>

struct SignOptions {
    std::string certificate;  // --sign-cert: PEM or DER, the chain after the signer's own
    std::string key;          // --sign-key: PEM or DER private key
    std::string passFile;     // --sign-pass-file: the key's pass phrase, first line
    std::string timestampUrl; // --timestamp-url: an RFC 3161 time-stamping service
    bool Wanted() const { return !certificate.empty(); }
};

// The signer's program name, looked for on PATH.
extern const char kSignerName[];

// Before any work: every file named can be read, the certificate and key
// files hold a certificate and a key, and the signer is installed.  One
// line in error otherwise.
bool PrepareSigning(const SignOptions &options, std::string *signer, std::string *error);

// Signs the file at path in place: the signer writes a signed copy beside
// it, whose PE checksum is then made right, and only a copy that the
// signer finished replaces the file (with its permission bits).  On any
// failure the file is as it was, no copy is left, and error holds one
// line saying why.
bool SignFileInPlace(const std::string &signer, const SignOptions &options, const std::string &path,
                     std::string *error);

#endif
