#include "support/store_fixtures.h"

#include <gtest/gtest.h>

#include <ctime>

#include "platform/posix/keys/linked_key.h"
#include "platform/posix/store/certificate_context.h"
#include "platform/posix/store/thumbprint.h"
#include "support/openssl_peer.h"
#include "support/test_home.h"

namespace corvane::testing {

std::vector<std::string> EnumeratedThumbprints(const char* store) {
  std::vector<std::string> thumbprints;
  HCERTSTORE handle = CertOpenSystemStoreA(0, store);
  EXPECT_NE(handle, nullptr) << store << " did not open: " << std::hex << GetLastError();
  if (handle == nullptr) return thumbprints;
  PCCERT_CONTEXT context = nullptr;
  while ((context = CertEnumCertificatesInStore(handle, context)) != nullptr) {
    thumbprints.push_back(platform::Thumbprint(context->pbCertEncoded, context->cbCertEncoded));
  }
  EXPECT_EQ(GetLastError(), CRYPT_E_NOT_FOUND);
  EXPECT_TRUE(CertCloseStore(handle, CERT_CLOSE_STORE_CHECK_FLAG));
  return thumbprints;
}

std::vector<std::string> SerialSearchThumbprints(const char* store, std::string serial, bool* through_index) {
  std::vector<std::string> thumbprints;
  HCERTSTORE handle = CertOpenSystemStoreA(0, store);
  EXPECT_NE(handle, nullptr) << store << " did not open: " << std::hex << GetLastError();
  CRYPT_INTEGER_BLOB key{static_cast<DWORD>(serial.size()), reinterpret_cast<BYTE*>(serial.data())};
  PCCERT_CONTEXT context = nullptr;
  while ((context = CertFindCertificateInStore(handle, X509_ASN_ENCODING, 0, CORVANE_CERT_FIND_SERIAL_NUMBER, &key,
                                               context)) != nullptr) {
    thumbprints.push_back(platform::Thumbprint(context->pbCertEncoded, context->cbCertEncoded));
    if (through_index != nullptr) *through_index = platform::ContextOf(context)->contents->indexed != nullptr;
  }
  EXPECT_EQ(GetLastError(), CRYPT_E_NOT_FOUND);
  EXPECT_TRUE(CertCloseStore(handle, CERT_CLOSE_STORE_CHECK_FLAG));
  return thumbprints;
}

std::string BlobBytes(const BYTE* data, DWORD size) {
  return size == 0 ? std::string() : std::string(reinterpret_cast<const char*>(data), size);
}

FILETIME FileTimeOf(const ASN1_TIME* time) {
  struct tm fields {};
  EXPECT_EQ(ASN1_TIME_to_tm(time, &fields), 1);
  const int64_t seconds = static_cast<int64_t>(timegm(&fields)) + 11'644'473'600LL;  // 1601 -> 1970
  const uint64_t ticks = static_cast<uint64_t>(seconds) * 10'000'000ULL;
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

std::string OidText(const ASN1_OBJECT* object) {
  char text[256];
  OBJ_obj2txt(text, sizeof text, object, 1);
  return text;
}

ossl::UniquePtr<EVP_PKEY> LinkedKey(PCCERT_CONTEXT context) {
  ossl::UniquePtr<EVP_PKEY> key;
  (void)platform::LoadLinkedPrivateKey(context, nullptr, key);
  return key;
}

ToolRun RunStoreTool(const std::string& args) {
  ScratchFolder scratch;
  ToolRun run;
  run.status = RunCommand(ShellQuote(ToolPath()) + " store " + args + " 2>" + ShellQuote(scratch.Path("err")),
                          &run.out);
  run.err = ReadFile(scratch.Path("err"));
  return run;
}

}  // namespace corvane::testing
