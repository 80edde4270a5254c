// Whether `issuer` issued a revocation list (IsIssuerOf: its name, and its signature verified with
// the issuer's key), remembered for the lists it did. Every verification checks the signer
// against its issuer's lists, and a real list runs to megabytes: hashing it on every call would
// cost more than the rest of the call.
//
// A list is remembered by the very OpenSSL object the store cache hands out while the list's file
// is unchanged, together with the issuer's whole encoding; the memory holds a reference to both, so
// that neither address can be taken by another object while it is remembered. Never by the issuer
// alone: a forged list beside the issuer's genuine one must not count for its being remembered. Only successes are
// kept (a failure is checked again every time), at most the last 16 pairs; process-wide,
// thread-safe.
#pragma once

#include "platform/posix/ossl.h"

namespace corvane::platform {

bool ListIssuedBy(X509_CRL* list, X509* issuer);

}  // namespace corvane::platform
