// The `openssl` command as a peer: messages made by it for the library to open or check.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/posix/ossl.h"

namespace corvane::testing {

// Runs `openssl cms -encrypt` over `data` for the recipients with the cipher option given
// (e.g. "-aes256", "-des3", "-rc4"); extra options are passed as they are. Returns the DER.
std::string OpensslEnvelope(const std::string& data, const std::vector<X509*>& recipients,
                            const std::string& cipher_option, const std::string& extra_options = "");

// Runs `openssl cms -decrypt` (legacy provider loaded, for RC4) on a DER envelope with the
// recipient's certificate and key. Returns the content; nullopt when openssl fails.
std::optional<std::string> OpensslOpenEnvelope(const std::string& der, X509* recipient,
                                               EVP_PKEY* key);

// Runs `openssl cms -sign` (attached, no attributes) and returns the DER.
std::string OpensslSignedMessage(const std::string& data, X509* signer, EVP_PKEY* key);

// Runs `openssl cms -sign -binary -outform DER` over `data` with the signers in this order and
// the options given as they are ("-nodetach", "-noattr", "-md sha256", "-stream", "-keyid",
// "-nocerts", ...); `extra_certificates` go into the message through -certfile, in this order.
struct PeerSigner {
  X509* certificate;
  EVP_PKEY* key;
};
std::string OpensslSign(const std::string& data, const std::vector<PeerSigner>& signers,
                        const std::string& options,
                        const std::vector<X509*>& extra_certificates = {});

// Runs `openssl smime -sign -noattr -nodetach -binary -md DIGEST` (OpenSSL's PKCS #7 signing,
// one signer, its certificate carried) and returns the DER.
std::string OpensslPkcs7Sign(const std::string& data, X509* signer, EVP_PKEY* key,
                             const std::string& digest);

// What `openssl cms -cmsout -print` shows of a DER message (empty when it cannot read it).
std::string OpensslPrint(const std::string& der);

// Base64 text of bytes as `openssl base64` writes it (64-character lines).
std::string OpensslBase64(const std::string& bytes);

// A fresh temporary folder for files handed to the openssl command; removed on destruction.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  std::string Write(const std::string& name, const std::string& bytes) const;
  std::string Path(const std::string& name) const;

 private:
  std::string path_;
};

}  // namespace corvane::testing
