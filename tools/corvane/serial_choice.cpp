#include "serial_choice.h"

#include <algorithm>
#include <cctype>

#include "../common/certificate_fields.h"
#include "../common/open_store.h"
#include "certs/certificate_text.h"
#include "platform/posix/text/gbk.h"

namespace corvane::tool {
namespace {

// Upper-case hex digits without leading zeros ("0" for zero); empty when there is no digit or
// another character.
std::string SignificantDigits(const std::string& digits) {
  if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isxdigit(c); })) {
    return "";
  }
  std::string upper(digits.substr(std::min(digits.find_first_not_of('0'), digits.size() - 1)));
  std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
  return upper;
}

// Whole bytes of a positive number: a byte more when the highest bit is set (serial numbers are
// positive DER INTEGERs), as the exports take the digits.
std::string PositiveDigits(const std::string& significant) {
  const std::string even = significant.size() % 2 != 0 ? "0" + significant : significant;
  return even.front() >= '8' ? "00" + even : even;
}

// The serial number's bytes, least significant first, as the platform's integer blobs hold them.
std::vector<BYTE> PlatformOrderBytes(const std::string& significant) {
  const std::string even = PositiveDigits(significant);
  std::vector<BYTE> bytes;
  for (size_t at = even.size(); at >= 2; at -= 2) {
    bytes.push_back(static_cast<BYTE>(std::stoul(even.substr(at - 2, 2), nullptr, 16)));
  }
  return bytes;
}

// An issuer text with no blanks around "=" and one after each ",": the library renders names as
// "CN=QDRA, OU=config", `store import` as OpenSSL does ("CN = QDRA, OU = config"); either is taken.
std::string ComparableName(const std::string& name) {
  std::string out;
  for (size_t at = 0; at < name.size(); ++at) {
    const char c = name[at];
    if (c == ' ' && ((!out.empty() && (out.back() == '=' || out.back() == ' ')) ||
                     (at + 1 < name.size() && name[at + 1] == '='))) {
      continue;
    }
    out += c;
    if (c == ',' && at + 1 < name.size() && name[at + 1] != ' ') out += ' ';
  }
  return out;
}

struct Holder {
  std::string serial_digits;  // as the exports take them
  std::string issuer_gbk;
};

// The certificates of the named stores with that serial number, found through the stores' index.
std::vector<Holder> Holders(const std::string& significant, const std::vector<const char*>& store_names) {
  std::vector<BYTE> bytes = PlatformOrderBytes(significant);
  const CRYPT_INTEGER_BLOB wanted{static_cast<DWORD>(bytes.size()), bytes.data()};
  std::vector<Holder> holders;
  for (const char* name : store_names) {
    OpenStore store(name);
    if (store.get() == nullptr) continue;
    PCCERT_CONTEXT found = nullptr;
    while ((found = CertFindCertificateInStore(store.get(), X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0,
                                               CORVANE_CERT_FIND_SERIAL_NUMBER, &wanted, found)) != nullptr) {
      Holder holder{SerialDigits(found->pCertInfo->SerialNumber),
                    CertificateFieldGbk(found, certs::kIssuerName)};
      const bool seen = std::any_of(holders.begin(), holders.end(), [&](const Holder& other) {
        return other.issuer_gbk == holder.issuer_gbk;
      });
      if (!seen) holders.push_back(std::move(holder));
    }
  }
  return holders;
}

}  // namespace

std::optional<CertificateChoice> ChooseBySerial(const std::string& serial,
                                                const std::optional<std::string>& issuer_utf8,
                                                const std::vector<const char*>& store_names,
                                                std::string& problem, bool& found) {
  found = false;
  const std::string significant = SignificantDigits(serial);
  if (significant.empty()) {
    problem = "--serial takes the serial number's hex digits, as `corvane store list` shows them";
    return std::nullopt;
  }
  std::optional<std::string> issuer_gbk;
  if (issuer_utf8) issuer_gbk = text::Utf8ToGbk(*issuer_utf8);
  std::vector<Holder> holders = Holders(significant, store_names);
  if (issuer_gbk) {
    std::erase_if(holders, [&](const Holder& holder) {
      return ComparableName(holder.issuer_gbk) != ComparableName(*issuer_gbk);
    });
  }
  if (holders.size() > 1) {
    problem = "several certificates have serial number " + significant + "; name one with --issuer:";
    for (const Holder& holder : holders) problem += "\n  --issuer \"" + text::GbkToUtf8(holder.issuer_gbk) + "\"";
    return std::nullopt;
  }
  if (holders.empty()) {
    // The export's own search, which finds nothing either and lets the user choose.
    return CertificateChoice{PositiveDigits(significant), issuer_gbk};
  }
  found = true;
  return CertificateChoice{holders.front().serial_digits, holders.front().issuer_gbk};
}

}  // namespace corvane::tool
