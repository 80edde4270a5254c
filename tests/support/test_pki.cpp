#include "support/test_pki.h"

#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509v3.h>

#include <map>
#include <mutex>
#include <stdexcept>

#include "platform/posix/store/thumbprint.h"
#include "support/test_home.h"

namespace corvane::testing {
namespace {

void Check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string("test PKI: ") + what);
}

std::string BioContents(BIO* bio) {
  char* data = nullptr;
  long length = BIO_get_mem_data(bio, &data);
  return std::string(data, static_cast<size_t>(length));
}

}  // namespace

ossl::UniquePtr<X509_NAME> MakeName(const NameSpec& wanted) {
  ossl::UniquePtr<X509_NAME> name(X509_NAME_new());
  Check(name != nullptr, "X509_NAME_new");
  for (const NameAttribute& attribute : wanted) {
    // X509_NAME_add_entry: set 0 starts a new RDN at the end, -1 joins the previous one.
    int set = attribute.new_rdn ? 0 : -1;
    ossl::UniquePtr<ASN1_OBJECT> object(OBJ_txt2obj(attribute.field.c_str(), 0));
    Check(object != nullptr, "unknown name field");
    if (attribute.type == MBSTRING_UTF8) {
      Check(X509_NAME_add_entry_by_OBJ(name.get(), object.get(), MBSTRING_UTF8,
                                       reinterpret_cast<const unsigned char*>(attribute.value.data()),
                                       static_cast<int>(attribute.value.size()), -1, set) == 1,
            "add name entry");
      continue;
    }
    // A fixed string type: convert the UTF-8 value into exactly that type.
    ASN1_STRING* converted = nullptr;
    int mask = ASN1_tag2bit(attribute.type);
    Check(ASN1_mbstring_copy(&converted, reinterpret_cast<const unsigned char*>(attribute.value.data()),
                             static_cast<int>(attribute.value.size()), MBSTRING_UTF8, mask) > 0 ||
              attribute.type == V_ASN1_T61STRING,
          "convert name value");
    if (attribute.type == V_ASN1_T61STRING) {
      // T61String carries raw bytes: take the value's bytes as they are.
      ASN1_STRING_free(converted);
      converted = ASN1_STRING_type_new(V_ASN1_T61STRING);
      ASN1_STRING_set(converted, attribute.value.data(), static_cast<int>(attribute.value.size()));
    }
    X509_NAME_ENTRY* entry = X509_NAME_ENTRY_create_by_OBJ(nullptr, object.get(), converted->type,
                                                           converted->data, converted->length);
    ASN1_STRING_free(converted);
    Check(entry != nullptr, "name entry");
    Check(X509_NAME_add_entry(name.get(), entry, -1, set) == 1, "add entry");
    X509_NAME_ENTRY_free(entry);
  }
  return name;
}

ossl::UniquePtr<EVP_PKEY> TestRsaKey(int index, int bits) {
  static std::mutex lock;
  // Never destroyed: the keys stay reachable until exit, so the leak checker does not count them.
  static auto& pool = *new std::map<std::pair<int, int>, EVP_PKEY*>;
  std::lock_guard<std::mutex> guard(lock);
  EVP_PKEY*& key = pool[{index, bits}];
  if (key == nullptr) {
    key = EVP_RSA_gen(static_cast<unsigned>(bits));
    Check(key != nullptr, "RSA key generation");
  }
  EVP_PKEY_up_ref(key);
  return ossl::UniquePtr<EVP_PKEY>(key);
}

ossl::UniquePtr<X509> MakeCertificate(const CertificateSpec& wanted, EVP_PKEY* subject_key,
                                      X509* issuer, EVP_PKEY* issuer_key) {
  ossl::UniquePtr<X509> cert(X509_new());
  Check(cert != nullptr, "X509_new");
  X509_set_version(cert.get(), 2);

  BIGNUM* serial_bn = nullptr;
  Check(BN_hex2bn(&serial_bn, wanted.serial_hex.c_str()) > 0, "serial hex");
  ossl::UniquePtr<BIGNUM> serial_owner(serial_bn);
  ossl::UniquePtr<ASN1_INTEGER> serial(BN_to_ASN1_INTEGER(serial_bn, nullptr));
  X509_set_serialNumber(cert.get(), serial.get());

  auto subject = MakeName(wanted.subject);
  X509_set_subject_name(cert.get(), subject.get());
  if (issuer != nullptr) {
    X509_set_issuer_name(cert.get(), X509_get_subject_name(issuer));
  } else {
    auto issuer_name = MakeName(wanted.issuer.empty() ? wanted.subject : wanted.issuer);
    X509_set_issuer_name(cert.get(), issuer_name.get());
  }
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), wanted.not_before_offset);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), wanted.not_after_offset);
  X509_set_pubkey(cert.get(), subject_key);

  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, issuer ? issuer : cert.get(), cert.get(), nullptr, nullptr, 0);
  auto add_extension = [&](int nid, const char* value) {
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    Check(extension != nullptr, "extension");
    X509_add_ext(cert.get(), extension, -1);
    X509_EXTENSION_free(extension);
  };
  add_extension(NID_basic_constraints, wanted.ca ? "critical,CA:TRUE" : "CA:FALSE");
  add_extension(NID_subject_key_identifier, wanted.subject_key_identifier.c_str());
  if (wanted.authority_key_identifier) add_extension(NID_authority_key_identifier, "keyid:always");
  if (wanted.ca || wanted.ca_key_usage) add_extension(NID_key_usage, "critical,keyCertSign,cRLSign,digitalSignature");
  else add_extension(NID_key_usage, "digitalSignature,keyEncipherment,dataEncipherment");

  Check(X509_sign(cert.get(), issuer_key, EVP_sha256()) > 0, "X509_sign");
  return cert;
}

std::string RevocationListDer(X509* issuer, EVP_PKEY* key, X509* revoked, const ListShape& shape) {
  ossl::UniquePtr<X509_CRL> list(X509_CRL_new());
  Check(list != nullptr, "X509_CRL_new");
  X509_CRL_set_version(list.get(), 1);
  X509_CRL_set_issuer_name(list.get(), X509_get_subject_name(issuer));
  ossl::UniquePtr<ASN1_TIME> last(X509_gmtime_adj(nullptr, shape.last_update_offset));
  ossl::UniquePtr<ASN1_TIME> next(X509_gmtime_adj(nullptr, shape.next_update_offset));
  X509_CRL_set1_lastUpdate(list.get(), last.get());
  X509_CRL_set1_nextUpdate(list.get(), next.get());
  auto add_entry = [&](ASN1_INTEGER* serial) {
    X509_REVOKED* entry = X509_REVOKED_new();
    Check(entry != nullptr && X509_REVOKED_set_serialNumber(entry, serial) == 1 &&
              X509_REVOKED_set_revocationDate(entry, last.get()) == 1 &&
              X509_CRL_add0_revoked(list.get(), entry) == 1,
          "X509_CRL_add0_revoked");
  };
  ossl::UniquePtr<ASN1_INTEGER> other(ASN1_INTEGER_new());
  for (int index = 0; index < shape.other_entries; ++index) {
    ASN1_INTEGER_set_int64(other.get(), int64_t{0x7F000000} + index);
    add_entry(other.get());
  }
  if (revoked != nullptr) add_entry(X509_get_serialNumber(revoked));
  Check(X509_CRL_sign(list.get(), key, EVP_sha256()) > 0, "X509_CRL_sign");
  return ossl::DerOf(list.get(), i2d_X509_CRL);
}

Party MakeParty(int key_index, const std::string& common_name, const std::string& serial_hex) {
  Party party;
  party.key = TestRsaKey(key_index);
  party.certificate = MakeCertificate({.subject = {{"CN", common_name}}, .serial_hex = serial_hex},
                                      party.key.get(), nullptr, party.key.get());
  return party;
}

Party WithoutKeyIdentifier(Party party) {
  X509* certificate = party.certificate.get();
  ossl::UniquePtr<X509_EXTENSION> extension(
      X509_delete_ext(certificate, X509_get_ext_by_NID(certificate, NID_subject_key_identifier, -1)));
  Check(extension != nullptr, "no key identifier to delete");
  Check(X509_sign(certificate, party.key.get(), EVP_sha256()) > 0, "re-sign");
  return party;
}

ossl::UniquePtr<X509> MakeEmptyRelativeNameCertificate(EVP_PKEY* key) {
  static const unsigned char kName[] = {0x30, 0x16, 0x31, 0x00, 0x31, 0x12, 0x30, 0x10, 0x06, 0x03, 0x55, 0x04,
                                        0x03, 0x0c, 0x09, 'E',  'm',  'p',  't',  'y',  ' ',  'R',  'D',  'N'};
  const unsigned char* cursor = kName;
  ossl::UniquePtr<X509_NAME> name(d2i_X509_NAME(nullptr, &cursor, sizeof kName));
  auto certificate = MakeCertificate({.subject = {{"CN", "placeholder"}}}, key, nullptr, key);
  if (name == nullptr || X509_set_subject_name(certificate.get(), name.get()) != 1 ||
      X509_set_issuer_name(certificate.get(), name.get()) != 1 ||
      X509_sign(certificate.get(), key, EVP_sha256()) <= 0) {
    return nullptr;
  }
  return certificate;
}

std::string DerOf(X509* certificate) { return ossl::DerOf(certificate, i2d_X509); }

std::string NameDer(const X509_NAME* name) { return ossl::DerOf(name, i2d_X509_NAME); }

std::string PemOf(X509* certificate) {
  ossl::UniquePtr<BIO> bio(BIO_new(BIO_s_mem()));
  Check(PEM_write_bio_X509(bio.get(), certificate) == 1, "PEM_write_bio_X509");
  return BioContents(bio.get());
}

std::string CrlPemOf(const std::string& der) {
  ossl::UniquePtr<BIO> bio(BIO_new(BIO_s_mem()));
  Check(PEM_write_bio(bio.get(), "X509 CRL", "", reinterpret_cast<const unsigned char*>(der.data()),
                      static_cast<long>(der.size())) > 0,
        "PEM_write_bio");
  return BioContents(bio.get());
}

std::string PrivateKeyPemOf(EVP_PKEY* key, const char* password) {
  ossl::UniquePtr<BIO> bio(BIO_new(BIO_s_mem()));
  const int written =
      password == nullptr
          ? PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr)
          : PEM_write_bio_PKCS8PrivateKey(bio.get(), key, EVP_aes_256_cbc(), nullptr, 0, nullptr,
                                          const_cast<char*>(password));
  Check(written == 1, "PEM_write_bio_PrivateKey");
  return BioContents(bio.get());
}

ossl::UniquePtr<X509> ReadCertificatePem(const std::filesystem::path& file) {
  const std::string pem = ReadFile(file);
  ossl::UniquePtr<BIO> bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  return ossl::UniquePtr<X509>(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
}

ossl::UniquePtr<EVP_PKEY> ReadPrivateKeyPem(const std::filesystem::path& file) {
  const std::string pem = ReadFile(file);
  ossl::UniquePtr<BIO> bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  return ossl::UniquePtr<EVP_PKEY>(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
}

std::filesystem::path InstallCertificate(const std::filesystem::path& root, const std::string& store,
                                         X509* certificate, EVP_PKEY* key) {
  const std::string der = DerOf(certificate);
  const std::string thumbprint = platform::Thumbprint(certificate);
  std::string folder_name = store;
  for (char& c : folder_name) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  const std::filesystem::path folder = root / "stores" / folder_name;
  const std::filesystem::path cer = folder / (thumbprint + ".cer");
  WriteFile(cer, der);
  if (key != nullptr) {
    WriteFile(folder / (thumbprint + ".key"), PrivateKeyPemOf(key));
    std::filesystem::permissions(folder / (thumbprint + ".key"),
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  }
  return cer;
}

FixedIssuerPki MakeFixedIssuerPki() {
  FixedIssuerPki pki;
  pki.ca_key = TestRsaKey(2);
  pki.ca = MakeCertificate(
      {.subject = {{"CN", "QDRA"}, {"OU", "config"}, {"O", "Ostrevalia"}}, .ca = true},
      pki.ca_key.get(), nullptr, pki.ca_key.get());
  pki.signer_key = TestRsaKey(0);
  pki.signer = MakeCertificate({.subject = {{"CN", "Signer"}}, .serial_hex = kFixedIssuerSignerSerial},
                               pki.signer_key.get(), pki.ca.get(), pki.ca_key.get());
  return pki;
}

}  // namespace corvane::testing
