// The four operations through the library's exports, as the tool and the browser host call them:
// each returns the export's result code and, on 0, its output.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ops/verify_with_data.h"

namespace corvane::tool {

// Which certificate: the user's choice (no serial), or the serial number's (hex digits), with the
// fixed issuer or the given issuer text (GBK, as the library renders names).
struct CertificateChoice {
  std::optional<std::string> serial;
  std::optional<std::string> issuer_gbk;
};

// `data` must be shorter than 2^31 bytes, `text` likewise (the exports' lengths).
int32_t SignData(const std::string& data, bool detached, const CertificateChoice& choice,
                 std::string& message);
int32_t EncryptData(const std::string& data, const CertificateChoice& choice, std::string& message);
int32_t DecryptMessage(const std::string& text, std::string& data);

// Verifies a message: one that carries its content (into `content`) against `*data` when given,
// a detached signature over `*data` (never without data). `form` tells which it was.
int32_t VerifyMessage(const std::string& text, const std::string* data, std::string& content,
                      ops::SignatureForm* form);

// Why a verification with or without data failed, where the message's form tells (an English
// sentence), else empty.
std::string VerificationFailureReason(ops::SignatureForm form, bool data_given);

// The library's success text of a verification (GBK): which certificate signed the message,
// found again in it the way the export finds it; empty when it cannot be told.
std::string VerifiedTextGbk(const std::string& text, const std::string* data);

}  // namespace corvane::tool
