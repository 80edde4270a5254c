// Certificates and keys made in the tests with OpenSSL, and installed into a store folder in the
// on-disk layout the platform layer reads.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/ossl.h"

namespace corvane::testing {

// One attribute of a distinguished name: a short name or dotted OID, the value, and the ASN.1
// string type (V_ASN1_UTF8STRING, V_ASN1_PRINTABLESTRING, V_ASN1_BMPSTRING, ...; MBSTRING_UTF8
// lets OpenSSL choose). `new_rdn` false joins the previous attribute into a multi-valued RDN.
struct NameAttribute {
  std::string field;
  std::string value;  // UTF-8 (converted to the given type)
  int type = MBSTRING_UTF8;
  bool new_rdn = true;
};
using NameSpec = std::vector<NameAttribute>;

// Builds an X509_NAME in the given order.
ossl::UniquePtr<X509_NAME> MakeName(const NameSpec& wanted);

// An RSA key from a small per-process pool (generating keys is slow under the sanitizers);
// index selects a distinct key. The caller gets its own reference.
ossl::UniquePtr<EVP_PKEY> TestRsaKey(int index, int bits = 2048);

struct CertificateSpec {
  NameSpec subject;
  NameSpec issuer;                  // ignored when an issuer certificate is given
  std::string serial_hex = "01";    // big-endian hex of the serial's DER content bytes
  long not_before_offset = -3600;   // seconds from now
  long not_after_offset = 365L * 24 * 3600;
  bool ca = false;
  bool ca_key_usage = false;  // keyCertSign and cRLSign even without ca (CA:TRUE)
  std::string subject_key_identifier = "hash";  // as OpenSSL's configuration takes it: "hash" or hex
  bool authority_key_identifier = false;        // names the issuer's key identifier
};

// Makes a certificate for `subject_key`, signed by `issuer_key` (self-signed when `issuer` is
// null: then issuer_key should be subject_key and wanted.issuer is used, or wanted.subject if empty).
ossl::UniquePtr<X509> MakeCertificate(const CertificateSpec& wanted, EVP_PKEY* subject_key,
                                      X509* issuer, EVP_PKEY* issuer_key);

// A test certificate and its key.
struct Party {
  ossl::UniquePtr<EVP_PKEY> key;
  ossl::UniquePtr<X509> certificate;
};
// A self-signed RSA certificate on test key `key_index` with the given serial number.
Party MakeParty(int key_index, const std::string& common_name, const std::string& serial_hex = "01");
// The same without the subject key identifier extension (re-signed with its own key).
Party WithoutKeyIdentifier(Party party);

// A self-signed certificate whose subject and issuer begin with an empty relative name (a SET
// without attributes) before CN=Empty RDN, which OpenSSL and other peers accept.
ossl::UniquePtr<X509> MakeEmptyRelativeNameCertificate(EVP_PKEY* key);

// How a revocation list is made: its update times (seconds from now) and how many entries of
// other serial numbers it holds besides the one revoked.
struct ListShape {
  long last_update_offset = 0;
  long next_update_offset = 24 * 3600;
  int other_entries = 0;
};

// A revocation list under `issuer`'s name signed with `key` (DER), listing `revoked` when given.
std::string RevocationListDer(X509* issuer, EVP_PKEY* key, X509* revoked = nullptr,
                              const ListShape& shape = {});

std::string DerOf(X509* certificate);
std::string NameDer(const X509_NAME* name);
std::string PemOf(X509* certificate);
// A revocation list's DER as PEM ("X509 CRL").
std::string CrlPemOf(const std::string& der);
// PKCS #8, unencrypted, or encrypted (AES-256) with a password.
std::string PrivateKeyPemOf(EVP_PKEY* key, const char* password = nullptr);

// A certificate or private key read from a PEM file; null when the file holds none.
ossl::UniquePtr<X509> ReadCertificatePem(const std::filesystem::path& file);
ossl::UniquePtr<EVP_PKEY> ReadPrivateKeyPem(const std::filesystem::path& file);

// Writes <root>/stores/<STORE>/<THUMBPRINT>.cer (and .key when a key is given); returns the
// certificate file's path.
std::filesystem::path InstallCertificate(const std::filesystem::path& root, const std::string& store,
                                         X509* certificate, EVP_PKEY* key = nullptr);

// The test PKI of the serial-number exports: a CA named exactly as their fixed issuer text
// ("CN=QDRA, OU=config, O=Ostrevalia") and a signer certificate with serial number 12AB that it
// issued, on test keys 2 (CA) and 0 (signer).
inline constexpr char kFixedIssuerSignerSerial[] = "12AB";
struct FixedIssuerPki {
  ossl::UniquePtr<EVP_PKEY> ca_key;
  ossl::UniquePtr<X509> ca;
  ossl::UniquePtr<EVP_PKEY> signer_key;
  ossl::UniquePtr<X509> signer;
};
FixedIssuerPki MakeFixedIssuerPki();

}  // namespace corvane::testing
