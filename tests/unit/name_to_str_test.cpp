// CertNameToStrA with CERT_X500_NAME_STR: names built with OpenSSL (or given as raw DER) and the
// expected GBK texts, from tests/unit/data/x500_names.txt.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/store_fixtures.h"
#include "support/test_pki.h"
#include "support/vector_file.h"

namespace corvane {
namespace {

constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

int StringType(const std::string& type) {
  static const std::pair<const char*, int> kTypes[] = {
      {"utf8", V_ASN1_UTF8STRING}, {"printable", V_ASN1_PRINTABLESTRING}, {"ia5", V_ASN1_IA5STRING},
      {"bmp", V_ASN1_BMPSTRING},   {"universal", V_ASN1_UNIVERSALSTRING}, {"t61", V_ASN1_T61STRING},
      {"numeric", V_ASN1_NUMERICSTRING}};
  for (const auto& [name, value] : kTypes) {
    if (type == name) return value;
  }
  ADD_FAILURE() << "unknown string type " << type;
  return V_ASN1_UTF8STRING;
}

// "[+]FIELD/TYPE=VALUE" fields into the DER of the name they describe.
std::string NameDer(const std::vector<std::string>& attributes) {
  testing::NameSpec name;
  for (std::string attribute : attributes) {
    testing::NameAttribute parsed;
    if (!attribute.empty() && attribute[0] == '+') {
      parsed.new_rdn = false;
      attribute.erase(0, 1);
    }
    const size_t slash = attribute.find('/');
    const size_t equals = attribute.find('=', slash);
    parsed.field = attribute.substr(0, slash);
    parsed.type = StringType(attribute.substr(slash + 1, equals - slash - 1));
    parsed.value = testing::Unescape(attribute.substr(equals + 1));
    name.push_back(parsed);
  }
  return testing::NameDer(testing::MakeName(name).get());
}

struct NameCase {
  int line;
  std::string expected;  // empty with `fails`
  bool fails;
  std::string der;
};

std::vector<NameCase> LoadCases() {
  std::ifstream in(testing::VectorFilePath("x500_names.txt"));
  std::vector<NameCase> cases;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (line.empty() || line[0] == '#') continue;
    const std::vector<std::string> fields = testing::SplitFields(line, '\t', false);
    NameCase c{number, "", fields[0] == "FAIL", ""};
    if (!c.fails) c.expected = testing::Unescape(fields[0]);
    const std::vector<std::string> rest(fields.begin() + 1, fields.end());
    c.der = (!rest.empty() && rest[0].rfind('!', 0) == 0) ? testing::HexToBytes(rest[0].substr(1)) : NameDer(rest);
    cases.push_back(c);
  }
  return cases;
}

DWORD Render(std::string& der, char* text, DWORD size) {
  CERT_NAME_BLOB blob{static_cast<DWORD>(der.size()), reinterpret_cast<BYTE*>(der.data())};
  return CertNameToStrA(kEncoding, &blob, CERT_X500_NAME_STR, text, size);
}

TEST(CertNameToStr, RendersTheNamesOfTheTable) {
  const std::vector<NameCase> cases = LoadCases();
  ASSERT_GT(cases.size(), 40u);
  for (NameCase c : cases) {
    SCOPED_TRACE("x500_names.txt line " + std::to_string(c.line));
    const DWORD needed = Render(c.der, nullptr, 0);
    if (c.fails) {
      EXPECT_EQ(needed, 0u);
      EXPECT_EQ(GetLastError(), CRYPT_E_ASN1_CORRUPT);
      continue;
    }
    std::vector<char> text(needed + 4, '\x55');
    EXPECT_EQ(Render(c.der, text.data(), needed), needed);
    EXPECT_EQ(std::string(text.data()), c.expected);
    EXPECT_EQ(needed, c.expected.size() + 1);
    EXPECT_EQ(text[needed], '\x55') << "wrote past the size it was given";
  }
}

TEST(CertNameToStr, ASmallBufferGetsATerminatedPrefixCutAtACharacterBoundary) {
  // "CN=中文": C N = D6 D0 CE C4, 8 bytes with the terminator.
  std::string der = NameDer({"CN/utf8=中文"});
  ASSERT_EQ(Render(der, nullptr, 0), 8u);
  struct Cut {
    DWORD size;
    std::string text;
  };
  for (const Cut& cut : {Cut{1, ""}, Cut{4, "CN="}, Cut{5, "CN="}, Cut{6, "CN=\xD6\xD0"},
                         Cut{7, "CN=\xD6\xD0"}, Cut{8, "CN=\xD6\xD0\xCE\xC4"}}) {
    SCOPED_TRACE(cut.size);
    std::vector<char> text(16, '\x55');
    EXPECT_EQ(Render(der, text.data(), cut.size), cut.text.size() + 1);
    EXPECT_EQ(std::string(text.data()), cut.text);
    EXPECT_EQ(text[cut.size], '\x55');
  }
  std::vector<char> untouched(4, '\x55');
  EXPECT_EQ(Render(der, untouched.data(), 0), 8u);
  EXPECT_EQ(untouched[0], '\x55');
}

TEST(CertNameToStr, RefusesWhatItDoesNotServe) {
  std::string der = NameDer({"CN/utf8=A"});
  CERT_NAME_BLOB blob{static_cast<DWORD>(der.size()), reinterpret_cast<BYTE*>(der.data())};
  EXPECT_EQ(CertNameToStrA(kEncoding, &blob, CERT_X500_NAME_STR, nullptr, 0), 5u);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  EXPECT_EQ(CertNameToStrA(X509_ASN_ENCODING, &blob, CERT_X500_NAME_STR, nullptr, 0), 5u);
  EXPECT_EQ(CertNameToStrA(PKCS_7_ASN_ENCODING, &blob, CERT_X500_NAME_STR, nullptr, 0), 0u);
  EXPECT_EQ(CertNameToStrA(kEncoding, &blob, CERT_SIMPLE_NAME_STR, nullptr, 0), 0u);
  EXPECT_EQ(CertNameToStrA(kEncoding, nullptr, CERT_X500_NAME_STR, nullptr, 0), 0u);
  CERT_NAME_BLOB no_bytes{4, nullptr};
  EXPECT_EQ(CertNameToStrA(kEncoding, &no_bytes, CERT_X500_NAME_STR, nullptr, 0), 0u);
}

}  // namespace
}  // namespace corvane
