// The parts of a PKCS #7 / CMS enveloped message that opening it needs, read from its BER or DER
// encoding:
//
//   ContentInfo ::= SEQUENCE { contentType OID (1.2.840.113549.1.7.3), content [0] EXPLICIT }
//   EnvelopedData ::= SEQUENCE { version, originatorInfo [0] OPTIONAL, recipientInfos SET OF,
//                                encryptedContentInfo, unprotectedAttrs [1] OPTIONAL }
//   KeyTransRecipientInfo ::= SEQUENCE { version, rid, keyEncryptionAlgorithm, encryptedKey }
//   rid: issuerAndSerialNumber SEQUENCE { Name, INTEGER } or subjectKeyIdentifier [0] IMPLICIT
//   KeyAgreeRecipientInfo ::= [1] IMPLICIT SEQUENCE { version, originator [0] EXPLICIT,
//       ukm [1] EXPLICIT OPTIONAL, keyEncryptionAlgorithm,
//       recipientEncryptedKeys SEQUENCE OF SEQUENCE { rid, encryptedKey } }
//   rid: issuerAndSerialNumber, or rKeyId [0] IMPLICIT SEQUENCE { subjectKeyIdentifier, ... }
//   EncryptedContentInfo ::= SEQUENCE { contentType, contentEncryptionAlgorithm,
//                                       encryptedContent [0] IMPLICIT OCTET STRING OPTIONAL }
//
// Each encrypted key of a key agreement info counts as a recipient of its own (its originator and
// the agreement's details are left to OpenSSL, which opens such envelopes). Recipients of the
// other kinds (key encryption keys, passwords) are skipped. The reader is bounded (see asn1_reader.h)
// and is the whole attack surface of the input, so it stands alone for fuzzing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace corvane::platform {

inline constexpr const char* kEnvelopedDataOid = "1.2.840.113549.1.7.3";

struct AlgorithmIdentifier {
  enum class Parameters { kAbsent, kNull, kOctetString, kOther };

  std::string oid;  // dotted decimal
  Parameters parameters = Parameters::kAbsent;
  std::vector<uint8_t> octets;  // the value when the parameters are an OCTET STRING
};

struct EnvelopeRecipient {
  enum class Kind { kKeyTransport, kKeyAgreement };
  enum class Identifier { kIssuerAndSerialNumber, kSubjectKeyIdentifier };

  Kind kind = Kind::kKeyTransport;
  Identifier identifier = Identifier::kIssuerAndSerialNumber;
  std::vector<uint8_t> issuer;         // the issuer Name's encoding, as found in the message
  std::vector<uint8_t> serial_number;  // the INTEGER's content octets, most significant first
  std::vector<uint8_t> key_identifier;
  AlgorithmIdentifier key_encryption;  // for key agreement, the key agreement's algorithm
  std::vector<uint8_t> encrypted_key;
};

struct EnvelopedData {
  std::string content_type;  // dotted decimal, also of a message of another type
  std::vector<EnvelopeRecipient> recipients;
  AlgorithmIdentifier content_encryption;
  bool has_encrypted_content = false;  // false when the content travels outside the message
  // The encrypted content, not copied: a view of the message's own bytes when the message holds
  // it in one piece (DER always does), else of `joined_encrypted_content`, its pieces put together.
  // Valid while the message's bytes and this structure (not a copy of it) are.
  std::span<const uint8_t> encrypted_content;
  std::vector<uint8_t> joined_encrypted_content;
};

enum class EnvelopeReading {
  kRead,
  kMalformed,        // not a decodable ContentInfo, or a broken EnvelopedData inside one
  kOtherContentType  // a well-formed ContentInfo of another type (signed data, plain data...)
};

// Reads a whole message (trailing bytes after the ContentInfo make it malformed). The envelope
// refers to the message's bytes (see encrypted_content).
EnvelopeReading ReadEnvelopedData(const uint8_t* message, size_t size, EnvelopedData& envelope);

}  // namespace corvane::platform
