// DER elements put together from parts: the tag and length octets as OpenSSL encodes them
// (ASN1_object_size, ASN1_put_object), around content that is already DER. For messages whose
// parts come from OpenSSL's encoders or from other DER, written without building OpenSSL's
// structure for the whole.
#pragma once

#include <openssl/asn1.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane::platform::asn1 {

// An element's tag and class; constructed or primitive.
struct DerTag {
  int number;
  int element_class;
  bool constructed;
};

inline constexpr DerTag kDerSequence{V_ASN1_SEQUENCE, V_ASN1_UNIVERSAL, true};
inline constexpr DerTag kDerSet{V_ASN1_SET, V_ASN1_UNIVERSAL, true};
inline constexpr DerTag kDerOctetString{V_ASN1_OCTET_STRING, V_ASN1_UNIVERSAL, false};
inline constexpr DerTag DerContext(int number, bool constructed) {
  return {number, V_ASN1_CONTEXT_SPECIFIC, constructed};
}

// The size of an element with `content` octets of content; -1 when it would pass INT_MAX.
int64_t DerElementSize(int64_t content, const DerTag& tag);

// Writes the tag and length of an element with `content` octets of content (DerElementSize said
// it fits) at `*cursor` and moves the cursor past them.
void PutDerHeader(unsigned char** cursor, int64_t content, const DerTag& tag);

// Copies `bytes` to `cursor`; returns the position after them.
unsigned char* PutDerBytes(unsigned char* cursor, std::string_view bytes);

// A whole (small) element around `content`; empty when it cannot be encoded.
std::string DerElement(const DerTag& tag, std::string_view content);

}  // namespace corvane::platform::asn1
