// Importing certificates, private keys and PKCS #12 contents into a store.
//
// Certificates go to the named store as <THUMBPRINT>.cer (DER). A private key goes beside the
// certificate whose public key it matches, among the certificates of this import or those
// already in the store, as <THUMBPRINT>.key (PKCS #8 PEM, 0600); a key that matches none is
// refused and nothing at all is written, as for a certificate the stores could not read back.
// Only the personal store MY holds keys: for any other store the certificates are written, the
// keys are left out, and the import fails with E_INVALIDARG saying so, so that a script notices
// the key is not where it asked. The other certificates of a PKCS #12 file (its chain) go to CA
// or ROOT: by default a self-signed one to ROOT and any other to CA.
#pragma once

#include <string>
#include <vector>

#include "platform/posix/status.h"
#include "platform/posix/admin/import_items.h"

namespace corvane::platform {

enum class ChainDestination { kBySelfSignature, kCa, kRoot, kNowhere };

// Writes the items; `report` receives one line per file written.
Status ImportIntoStore(const std::string& store, const ImportItems& items,
                       ChainDestination chain, std::vector<std::string>& report);

}  // namespace corvane::platform
