#include "certificate_listing.h"

#include "certs/certificate_text.h"
#include "platform/posix/admin/store_admin.h"
#include "platform/posix/text/gbk.h"
#include "../common/certificate_fields.h"
#include "../common/open_store.h"

namespace corvane::web {

std::optional<nlohmann::json> PersonalCertificates() {
  tool::OpenStore personal("MY");
  if (personal.get() == nullptr) return std::nullopt;
  nlohmann::json list = nlohmann::json::array();
  for (PCCERT_CONTEXT context = nullptr;
       (context = CertEnumCertificatesInStore(personal.get(), context)) != nullptr;) {
    const CERT_INFO& info = *context->pCertInfo;
    list.push_back({
        {"subject", text::GbkToUtf8(tool::CertificateFieldGbk(context, certs::kSubjectName))},
        {"issuer", text::GbkToUtf8(tool::CertificateFieldGbk(context, certs::kIssuerName))},
        {"serial", tool::SerialDigits(info.SerialNumber)},
        {"notBefore", tool::UtcTimeText(info.NotBefore)},
        {"notAfter", tool::UtcTimeText(info.NotAfter)},
        {"thumbprint", platform::Thumbprint(context->pbCertEncoded, context->cbCertEncoded)},
    });
  }
  return list;
}

}  // namespace corvane::web
