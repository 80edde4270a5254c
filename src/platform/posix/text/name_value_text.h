// One attribute value of a distinguished name as the Windows X.500 name string shows it: the
// characters in the ANSI code page (GBK), quoted where the value would otherwise be ambiguous.
#pragma once

#include <string>

#include "platform/posix/asn1/asn1_reader.h"
#include "platform/posix/text/gbk.h"

namespace corvane::platform {

// Appends the text of `value` (a whole element, read by the DER rules) to `out`. Character strings are decoded
// (UTF8String, BMPString and UniversalString as Unicode; T61String as UTF-8 when it is valid
// UTF-8, else Latin-1; the other string types as Latin-1) and encoded in GBK, "?" for a
// character without a GBK form. The value is put in double quotes, with each embedded quote
// doubled, when it is empty, begins or ends with white space (blank, tab, line feed, vertical
// tab, form feed, carriage return), or holds one of , + = " < > # ; or a line feed anywhere (a
// carriage return inside the value does not quote it). A value that is no character string, or
// a string holding U+0000, is shown unquoted as "#" and the upper-case hex of its DER encoding
// (of the content only for an OCTET STRING, the form CertStrToName reads back).
// False when the value is a malformed string (a BMPString of odd length, a UniversalString whose
// length is not a multiple of four).
bool AppendNameValueText(const asn1::Element& value, text::GbkEncoder& encoder, std::string& out);

}  // namespace corvane::platform
