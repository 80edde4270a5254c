// Dotted decimal text of an encoded OBJECT IDENTIFIER, for the reader of asn1_reader.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace corvane::platform {

// `encoding` is the whole element (tag 06, length, content). Nothing when it is not a
// well-formed, minimally encoded OBJECT IDENTIFIER. Arcs of any size.
std::optional<std::string> ObjectIdentifierTextOf(const uint8_t* encoding, size_t size);

}  // namespace corvane::platform
