#include "platform/posix/admin/pkcs12_iterations.h"

#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/x509.h>

namespace corvane::platform {
namespace {

// The rounds of the derivations counted so far, and why the file is refused once it is.
class RoundCount {
 public:
  // Counts the rounds of the derivation of one key (nullopt: its parameters cannot be read);
  // false when the file is refused.
  bool Add(std::optional<uint64_t> rounds, const std::string& part) {
    if (!rounds) return Refuse("has key-derivation parameters for its " + part + " that cannot be read");
    if (*rounds > kMaxPkcs12Iterations) {
      return Refuse("asks for " + std::to_string(*rounds) + " key-derivation iterations for its " + part +
                    "; more than " + std::to_string(kMaxPkcs12Iterations) + " are refused");
    }
    total_ += *rounds;  // no overflow: each term is at most the limit, and counting stops past it
    if (total_ > kMaxPkcs12Iterations) {
      return Refuse("asks for " + std::to_string(total_) + " key-derivation iterations in all; more than " +
                    std::to_string(kMaxPkcs12Iterations) + " are refused");
    }
    return true;
  }

  const Status& refusal() const { return refusal_; }

 private:
  bool Refuse(const std::string& why) {
    refusal_ = Status(CRYPT_E_ASN1_CORRUPT).Because("the PKCS #12 file " + why);
    return false;
  }

  uint64_t total_ = 0;
  Status refusal_;
};

// An INTEGER as a number of rounds; nullopt when it is negative or does not fit 64 bits.
std::optional<uint64_t> Rounds(const ASN1_INTEGER* value) {
  uint64_t rounds = 0;
  if (value == nullptr || ASN1_INTEGER_get_uint64(&rounds, value) != 1) return std::nullopt;
  return rounds;
}

// scrypt's work in rounds: N·r·p, saturated.
std::optional<uint64_t> ScryptRounds(const SCRYPT_PARAMS& scrypt) {
  const std::optional<uint64_t> cost = Rounds(scrypt.costParameter);
  const std::optional<uint64_t> block_size = Rounds(scrypt.blockSize);
  const std::optional<uint64_t> parallel = Rounds(scrypt.parallelizationParameter);
  if (!cost || !block_size || !parallel) return std::nullopt;
  uint64_t product = 0;
  if (__builtin_mul_overflow(*cost, *block_size, &product) ||
      __builtin_mul_overflow(product, *parallel, &product)) {
    return UINT64_MAX;
  }
  return product;
}

template <typename Parameters>
ossl::UniquePtr<Parameters> Unpacked(const ASN1_ITEM* item, const ASN1_TYPE* parameter) {
  return ossl::UniquePtr<Parameters>(static_cast<Parameters*>(ASN1_TYPE_unpack_sequence(item, parameter)));
}

// The rounds of the key derivation of a password-based encryption algorithm, read as OpenSSL
// reads them; 0 for an algorithm OpenSSL does not offer (it derives nothing for it), nullopt when
// the parameters cannot be read.
std::optional<uint64_t> DerivationRounds(const X509_ALGOR* algorithm) {
  if (algorithm == nullptr) return std::nullopt;
  const int nid = OBJ_obj2nid(algorithm->algorithm);
  if (nid == NID_pbes2) {
    const auto pbes2 = Unpacked<PBE2PARAM>(ASN1_ITEM_rptr(PBE2PARAM), algorithm->parameter);
    if (pbes2 == nullptr || pbes2->keyfunc == nullptr) return std::nullopt;
    const X509_ALGOR& kdf = *pbes2->keyfunc;
    switch (OBJ_obj2nid(kdf.algorithm)) {
      case NID_id_pbkdf2: {
        const auto pbkdf2 = Unpacked<PBKDF2PARAM>(ASN1_ITEM_rptr(PBKDF2PARAM), kdf.parameter);
        return pbkdf2 == nullptr ? std::nullopt : Rounds(pbkdf2->iter);
      }
      case NID_id_scrypt: {
        const auto scrypt = Unpacked<SCRYPT_PARAMS>(ASN1_ITEM_rptr(SCRYPT_PARAMS), kdf.parameter);
        return scrypt == nullptr ? std::nullopt : ScryptRounds(*scrypt);
      }
      default:
        return 0;
    }
  }
  if (EVP_PBE_find(EVP_PBE_TYPE_OUTER, nid, nullptr, nullptr, nullptr) != 1) return 0;
  const auto pbe = Unpacked<PBEPARAM>(ASN1_ITEM_rptr(PBEPARAM), algorithm->parameter);
  return pbe == nullptr ? std::nullopt : Rounds(pbe->iter);
}

// Counts the shrouded keys among `bags`, nested ones included.
bool CountBags(const STACK_OF(PKCS12_SAFEBAG) * bags, RoundCount& count) {
  for (int i = 0; i < sk_PKCS12_SAFEBAG_num(bags); ++i) {
    const PKCS12_SAFEBAG* bag = sk_PKCS12_SAFEBAG_value(bags, i);
    if (PKCS12_SAFEBAG_get_nid(bag) == NID_safeContentsBag) {
      if (!CountBags(PKCS12_SAFEBAG_get0_safes(bag), count)) return false;
    } else if (PKCS12_SAFEBAG_get_nid(bag) == NID_pkcs8ShroudedKeyBag) {
      const X509_SIG* shrouded = PKCS12_SAFEBAG_get0_pkcs8(bag);
      const X509_ALGOR* algorithm = nullptr;
      if (shrouded != nullptr) X509_SIG_get0(shrouded, &algorithm, nullptr);
      if (!count.Add(DerivationRounds(algorithm), "shrouded private key")) return false;
    }
  }
  return true;
}

// The bags of an encrypted part, decrypted with the password as PKCS12_parse will (without one:
// the empty password, then none); null when it does not open, and then PKCS12_parse stops there.
ossl::UniquePtr<STACK_OF(PKCS12_SAFEBAG)> DecryptedBags(PKCS7* part, const std::optional<std::string>& password) {
  if (password && !password->empty()) {
    return ossl::UniquePtr<STACK_OF(PKCS12_SAFEBAG)>(PKCS12_unpack_p7encdata(part, password->c_str(), -1));
  }
  ossl::UniquePtr<STACK_OF(PKCS12_SAFEBAG)> bags(PKCS12_unpack_p7encdata(part, "", 0));
  if (bags == nullptr) bags.reset(PKCS12_unpack_p7encdata(part, nullptr, 0));
  return bags;
}

}  // namespace

Status CheckPkcs12Iterations(const PKCS12& p12, const std::optional<std::string>& password) {
  RoundCount count;
  if (PKCS12_mac_present(&p12) == 1) {
    const ASN1_INTEGER* iterations = nullptr;
    PKCS12_get0_mac(nullptr, nullptr, nullptr, &iterations, &p12);
    // An absent count is one round.
    if (!count.Add(iterations == nullptr ? 1 : Rounds(iterations), "MAC")) return count.refusal();
  }
  const ossl::UniquePtr<STACK_OF(PKCS7)> parts(PKCS12_unpack_authsafes(&p12));
  for (int i = 0; i < sk_PKCS7_num(parts.get()); ++i) {
    PKCS7* part = sk_PKCS7_value(parts.get(), i);
    ossl::UniquePtr<STACK_OF(PKCS12_SAFEBAG)> bags;
    if (PKCS7_type_is_data(part)) {
      bags.reset(PKCS12_unpack_p7data(part));
    } else if (PKCS7_type_is_encrypted(part)) {
      const PKCS7_ENCRYPT* encrypted = part->d.encrypted;
      const X509_ALGOR* algorithm =
          encrypted != nullptr && encrypted->enc_data != nullptr ? encrypted->enc_data->algorithm : nullptr;
      if (!count.Add(DerivationRounds(algorithm), "encrypted contents")) return count.refusal();
      bags = DecryptedBags(part, password);
    }
    if (bags != nullptr && !CountBags(bags.get(), count)) return count.refusal();
  }
  return Status();
}

}  // namespace corvane::platform
