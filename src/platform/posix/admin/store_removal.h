// Removing a certificate and its private key from a store.
//
// Every certificate file of the store that holds the certificate is changed: its own
// <THUMBPRINT>.cer and any file dropped in. A DER file, or PEM text left without certificates,
// goes; otherwise only the certificate's PEM blocks are cut out and everything else (other
// certificates, a key kept beside them) stays as it was, the file's permissions included. Then
// <THUMBPRINT>.key goes.
#pragma once

#include <string>
#include <vector>

#include "platform/posix/status.h"

namespace corvane::platform {

// `report` receives one line per file changed or removed.
Status RemoveCertificate(const std::string& store, const std::string& thumbprint,
                         std::vector<std::string>& report);

}  // namespace corvane::platform
