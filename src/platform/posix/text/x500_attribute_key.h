// The attribute keys of the Windows X.500 name string form (CERT_X500_NAME_STR).
#pragma once

#include <string>
#include <string_view>

namespace corvane::platform {

// "CN", "OU", "E", "S", ... for the attribute types that have a key in that form; "OID." followed
// by the dotted identifier for every other type ("OID.2.5.4.15").
std::string X500AttributeKey(std::string_view dotted_oid);

}  // namespace corvane::platform
