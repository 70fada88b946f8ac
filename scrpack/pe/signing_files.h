// Whether the files given for signing hold what they are named for, read
// before any work: a certificate (PEM or DER X.509) and a private key
// (PEM or DER: PKCS#8, encrypted PKCS#8, PKCS#1 RSA or SEC 1 EC).  Only
// their outer structure is read; the signer reads the rest.
#ifndef SCRPACK_PE_SIGNING_FILES_H
#define SCRPACK_PE_SIGNING_FILES_H

#include <string>

#include "scrpack/text/bytes.h"

bool HoldsCertificate(const Bytes &file);
bool HoldsPrivateKey(const Bytes &file);

#endif
