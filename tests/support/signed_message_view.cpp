#include "support/signed_message_view.h"

#include <gtest/gtest.h>
#include <openssl/pkcs7.h>

#include "platform/posix/ossl.h"
#include "support/openssl_peer.h"
#include "support/test_home.h"
#include "support/test_pki.h"

namespace corvane::testing {

SignedMessageView ViewSignedMessage(const std::string& der) {
  SignedMessageView view;
  const auto* bytes = reinterpret_cast<const unsigned char*>(der.data());
  ossl::UniquePtr<PKCS7> message(d2i_PKCS7(nullptr, &bytes, static_cast<long>(der.size())));
  if (message == nullptr || !PKCS7_type_is_signed(message.get())) return view;
  view.parsed = bytes == reinterpret_cast<const unsigned char*>(der.data()) + der.size();
  PKCS7_SIGNED* signed_data = message->d.sign;
  view.version = ASN1_INTEGER_get(signed_data->version);
  STACK_OF(PKCS7_SIGNER_INFO)* signers = PKCS7_get_signer_info(message.get());
  view.signer_count = sk_PKCS7_SIGNER_INFO_num(signers);
  if (view.signer_count > 0) {
    PKCS7_SIGNER_INFO* signer = sk_PKCS7_SIGNER_INFO_value(signers, 0);
    view.signer_version = ASN1_INTEGER_get(signer->version);
    view.digest_nid = OBJ_obj2nid(signer->digest_alg->algorithm);
    view.authenticated_attributes = sk_X509_ATTRIBUTE_num(signer->auth_attr);
    if (view.authenticated_attributes < 0) view.authenticated_attributes = 0;
  }
  view.certificate_count = sk_X509_num(signed_data->cert);
  if (view.certificate_count > 0) view.first_certificate_der = DerOf(sk_X509_value(signed_data->cert, 0));
  view.content_present = !PKCS7_get_detached(message.get());
  PKCS7* inner = signed_data->contents;
  if (view.content_present && inner != nullptr && PKCS7_type_is_data(inner) && inner->d.data) {
    view.content.assign(reinterpret_cast<const char*>(inner->d.data->data),
                        static_cast<size_t>(inner->d.data->length));
  }
  return view;
}

void ExpectLibrarySignedForm(const std::string& der, const std::string& signer_certificate_der,
                             const std::string& content, bool detached) {
  const SignedMessageView view = ViewSignedMessage(der);
  ASSERT_TRUE(view.parsed);
  EXPECT_EQ(view.version, 1);
  EXPECT_EQ(view.signer_count, 1);
  EXPECT_EQ(view.signer_version, 1);
  EXPECT_EQ(view.digest_nid, NID_sha1);
  EXPECT_EQ(view.authenticated_attributes, 0);
  EXPECT_EQ(view.certificate_count, 1);
  EXPECT_EQ(view.first_certificate_der, signer_certificate_der);
  EXPECT_EQ(view.content_present, !detached);
  if (!detached) {
    EXPECT_EQ(view.content, content);
  }
}

bool OpensslVerifies(const std::string& der, const std::string* detached_content,
                     std::string* recovered_content) {
  ScratchFolder scratch;
  std::string command = "openssl cms -verify -noverify -binary -inform DER -in " +
                        ShellQuote(scratch.Write("message.der", der)) + " -out " +
                        ShellQuote(scratch.Path("content"));
  if (detached_content) command += " -content " + ShellQuote(scratch.Write("data", *detached_content));
  std::string output;
  const bool ok = RunCommand(command + " 2>&1", &output) == 0;
  if (recovered_content) *recovered_content = ok ? ReadFile(scratch.Path("content")) : output;
  return ok;
}

}  // namespace corvane::testing
