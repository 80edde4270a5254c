// Finding the certificate, among the certificates of the caller's stores, that an envelope was
// made for and whose private key the user holds.
//
// A recipient (key transport, or one key of a key agreement) names its certificate by issuer and
// serial number (the issuer Name's encoding compared byte for byte with the certificate's, the
// serial numbers as integers) or by subject key identifier (the certificate's extension, or when
// it has none the SHA-1 of its public key bits, as Windows derives it). Stores are searched in the order given, each in its
// enumeration order; the first certificate that matches any recipient and has a linked private
// key is taken. Certificates named by issuer and serial number are found through the stores'
// index of serial numbers, so that the search does not go through the store; a recipient named by
// key identifier (which neither this library nor Windows makes) is compared with every
// certificate.
#pragma once

#include <optional>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/message/enveloped_data.h"
#include "platform/posix/ossl.h"
#include "platform/posix/status.h"
#include "platform/posix/store/certificate_reference.h"

namespace corvane::platform {

struct RecipientCertificate {
  CertificateReference certificate;
  ossl::UniquePtr<EVP_PKEY> private_key;
  const EnvelopeRecipient* recipient = nullptr;  // points into the envelope searched
};

bool CertificateMatchesRecipient(PCCERT_CONTEXT certificate,
                                 const EnvelopeRecipient& recipient);

// The first match into `found`. Fails with CRYPT_E_NO_DECRYPT_CERT when there is none, or with
// the PIN failure of a token key (token_key.h), which ends the search: the user declined to use
// that key.
Status FindRecipientCertificate(const HCERTSTORE* stores, DWORD store_count,
                                const std::vector<EnvelopeRecipient>& recipients,
                                std::optional<RecipientCertificate>& found);

}  // namespace corvane::platform
