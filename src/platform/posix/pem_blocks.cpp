#include "platform/posix/pem_blocks.h"

#include <openssl/pem.h>

#include <climits>

#include "platform/posix/ossl.h"

namespace corvane::platform {
PemEnd ForEachPemBlock(std::string_view text, const std::function<bool(const PemBlock&)>& visit) {
  if (text.size() > static_cast<size_t>(INT_MAX)) return PemEnd::kMalformed;
  ossl::UniquePtr<BIO> in(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())));
  if (in == nullptr) return PemEnd::kMalformed;
  for (;;) {
    char* label = nullptr;
    char* header = nullptr;
    unsigned char* der = nullptr;
    long size = 0;
    const bool read = PEM_read_bio(in.get(), &label, &header, &der, &size) == 1;
    const ossl::OpenSslMemory<char> owned_label(label), owned_header(header);
    const ossl::OpenSslMemory<unsigned char> owned_der(der);
    if (!read) {
      return ERR_GET_REASON(ERR_peek_last_error()) == PEM_R_NO_START_LINE ? PemEnd::kEnd : PemEnd::kMalformed;
    }
    if (!visit(PemBlock{label, header == nullptr ? "" : header, der, size})) return PemEnd::kStopped;
  }
}

}  // namespace corvane::platform
