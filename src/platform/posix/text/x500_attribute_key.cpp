#include "platform/posix/text/x500_attribute_key.h"

#include <array>
#include <utility>

namespace corvane::platform {
namespace {

// The keys Windows prints for CERT_X500_NAME_STR (the X.500 key names of its object identifier
// table). Any other type is shown as OID.<dotted>.
constexpr std::array<std::pair<std::string_view, std::string_view>, 20> kKeys{{
    {"2.5.4.3", "CN"},
    {"2.5.4.7", "L"},
    {"2.5.4.10", "O"},
    {"2.5.4.11", "OU"},
    {"1.2.840.113549.1.9.1", "E"},
    {"2.5.4.6", "C"},
    {"2.5.4.8", "S"},
    {"2.5.4.9", "STREET"},
    {"2.5.4.12", "T"},
    {"2.5.4.42", "G"},
    {"2.5.4.43", "I"},
    {"2.5.4.4", "SN"},
    {"0.9.2342.19200300.100.1.25", "DC"},
    {"2.5.4.5", "SERIALNUMBER"},
    {"2.5.4.13", "Description"},
    {"2.5.4.17", "PostalCode"},
    {"2.5.4.18", "POBox"},
    {"2.5.4.20", "Phone"},
    {"2.5.4.24", "X21Address"},
    {"2.5.4.46", "dnQualifier"},
}};

}  // namespace

std::string X500AttributeKey(std::string_view dotted_oid) {
  for (const auto& [oid, key] : kKeys) {
    if (oid == dotted_oid) return std::string(key);
  }
  return "OID." + std::string(dotted_oid);
}

}  // namespace corvane::platform
