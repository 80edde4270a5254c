// verifySingleSignedMsg: checks a Base64 PKCS #7 signed message, attached or detached, then the
// signer's certificate chain; hands back attached content and names the signer in its success
// box. No provider context and no store of its own: the signer's certificate comes from the
// message, and the chain validation opens the stores it searches. VerifySignedMessage is the same
// verification for callers whose data is apart from the output (verify_with_data.h).

#include <algorithm>
#include <cstring>

#include "certs/certificate_chain.h"
#include "corvane.h"
#include "ops/operation_frame.h"
#include "ops/verified_text.h"
#include "ops/verify_with_data.h"
#include "ops/without_throwing.h"

namespace corvane::ops {
namespace {

// How far a call got: the content length after a failure depends on it.
enum class Mode {
  kUndecided,
  kAttached,
  kDetached,          // tried as detached; the signature has not verified
  kDetachedVerified,  // the detached signature verified
};

struct VerificationResources {
  CallBuffer message;
  platform::OwnedCertificate signer;
};

// The data a detached signature is checked over. The export reads it from its output buffer and
// ignores it for a message that carries its content; a caller whose data is `apart` from the
// output has it compared with that content, and without data no detached signature verifies.
struct CallerData {
  const BYTE* bytes = nullptr;
  int32_t length = 0;
  bool apart = false;
};

// How far a call got and what the message turned out to be.
struct Progress {
  Mode mode = Mode::kUndecided;
  SignatureForm form = SignatureForm::kUnknown;
};

CRYPT_VERIFY_MESSAGE_PARA VerifyParameters() {
  CRYPT_VERIFY_MESSAGE_PARA parameters{};
  parameters.cbSize = sizeof parameters;
  parameters.dwMsgAndCertEncodingType = PKCS_7_ASN_ENCODING | X509_ASN_ENCODING;
  return parameters;  // default provider; the signer's certificate from the message
}

// A failed verification call. The platform reports a signer whose certificate the message does
// not carry as CRYPT_E_NOT_FOUND: that message yields no signer certificate.
Outcome VerificationFailure(DWORD error) {
  if (error == CRYPT_E_NOT_FOUND) return Raise(Failure::kNoSignerCertificate);
  return MapMessageCallError(MessageCall::kVerify, error);
}

Outcome ChainFailure(int code) {
  switch (code) {
    case kIssuerNotFound:
      return Raise(Failure::kIssuerNotFound);
    case kCertificateSignatureBad:
      return Raise(Failure::kCertificateSignatureBad);
    case kCertificateExpired:
      return Raise(Failure::kCertificateExpired);
    case kCertificateRevoked:
      return Raise(Failure::kCertificateRevoked);
    case kChainProblem:
      return Raise(Failure::kChainProblem);
    default:
      return {code, text::kChainSystemError};
  }
}

// Tries the message as attached, then as a detached signature over the caller's data; on
// success the signer's certificate is held and `attached_size` is the attached content's size.
Outcome VerifySignature(VerificationResources& held, int32_t message_length,
                        const CallerData& data, DWORD* attached_size, Progress& progress) {
  CRYPT_VERIFY_MESSAGE_PARA parameters = VerifyParameters();
  const BYTE* message = held.message.data();
  const auto size = static_cast<DWORD>(message_length);
  PCCERT_CONTEXT signer = nullptr;
  if (CryptVerifyMessageSignature(&parameters, 0, message, size, nullptr, attached_size,
                                  &signer)) {
    progress = {Mode::kAttached, SignatureForm::kAttached};
    held.signer.Adopt(signer);
    return kDone;
  }
  const DWORD attached_failure = GetLastError();
  // The platform fails a message without content of its own with CRYPT_E_MSG_ERROR.
  if (attached_failure == CRYPT_E_MSG_ERROR) progress.form = SignatureForm::kDetached;
  progress.mode = Mode::kDetached;
  if (data.apart && data.bytes == nullptr) {
    // No data: a detached signature has nothing to be checked over, and any other message
    // failed as what it is.
    if (progress.form == SignatureForm::kDetached) return Raise(Failure::kBadSignature);
    return VerificationFailure(attached_failure);
  }
  // A negative length is no data either: it is never passed on as a huge unsigned length.
  if (data.length <= 0) return Raise(Failure::kSourceEmpty);
  const BYTE* pieces[] = {data.bytes};
  DWORD piece_sizes[] = {static_cast<DWORD>(data.length)};
  if (!CryptVerifyDetachedMessageSignature(&parameters, 0, message, size, 1, pieces, piece_sizes,
                                           &signer)) {
    return VerificationFailure(GetLastError());
  }
  progress.mode = Mode::kDetachedVerified;
  held.signer.Adopt(signer);
  return kDone;
}

// Takes the attached content out again, straight into the caller's buffer, once the signature
// and the chain were found good: the message verified a moment ago and its same bytes verify
// again, and the platform writes the content only for a message that verified, so a failure
// never leaves content in the caller's buffer. The caller's length is its buffer's capacity (the
// size query's answer, or less): content longer than that, or than the message it came from, is
// refused and nothing is written.
Outcome HandBackContent(const VerificationResources& held, int32_t message_length,
                        DWORD attached_size, char* content, int32_t* content_length) {
  const int32_t capacity = std::max(std::min(*content_length, message_length), 0);
  if (attached_size > static_cast<DWORD>(capacity)) return Raise(Failure::kVerificationFailed);
  CRYPT_VERIFY_MESSAGE_PARA parameters = VerifyParameters();
  DWORD size = attached_size;
  if (!CryptVerifyMessageSignature(&parameters, 0, held.message.data(),
                                   static_cast<DWORD>(message_length),
                                   reinterpret_cast<BYTE*>(content), &size, nullptr)) {
    return VerificationFailure(GetLastError());
  }
  *content_length = static_cast<int32_t>(size);
  return kDone;
}

// Attached content handed back to a caller whose data is apart must be that data: anything else
// is a signature over other data, and the content is taken back out of the caller's buffer.
Outcome CheckContentIsData(const CallerData& data, char* content, int32_t* content_length) {
  if (!data.apart || data.bytes == nullptr) return kDone;
  if (*content_length == data.length &&
      std::memcmp(content, data.bytes, static_cast<size_t>(data.length)) == 0) {
    return kDone;
  }
  std::memset(content, 0, static_cast<size_t>(*content_length));
  *content_length = 0;
  return Raise(Failure::kBadSignature);
}

Outcome Verify(VerificationResources& held, const char* text, int32_t text_length,
               const CallerData& data, char* content, int32_t* content_length,
               Progress& progress) {
  int32_t message_length = 0;
  Outcome step = DecodeMessageText(text, text_length, held.message, &message_length);
  if (!step.ok()) return step;

  DWORD attached_size = 0;
  step = VerifySignature(held, message_length, data, &attached_size, progress);
  if (!step.ok()) return step;
  if (held.signer.get() == nullptr) return Raise(Failure::kNoSignerCertificate);
  const int chain = certs::VerifyCertificateChain(held.signer.get(), certs::kCheckAll);
  if (chain != kSuccess) return ChainFailure(chain);
  if (progress.mode != Mode::kAttached) return kDone;
  step = HandBackContent(held, message_length, attached_size, content, content_length);
  if (!step.ok()) return step;
  return CheckContentIsData(data, content, content_length);
}

// The body of both entry points: the call, its box, and the releases in the export's order.
int32_t VerifyAndReport(const char* text, int32_t text_length, const CallerData& data,
                        char* content, int32_t* content_length, SignatureForm* form) {
  VerificationResources held;
  Progress progress;
  const Outcome outcome = Verify(held, text, text_length, data, content, content_length, progress);
  if (form != nullptr) *form = progress.form;
  held.message.Release();
  if (outcome.ok()) {
    // Left out, with the result still 0, when the text cannot be made.
    const certs::LocalArea<char> report = ComposeVerifiedText(held.signer.get());
    if (report) MessageBoxA(nullptr, report.get(), text::kNoticeCaption, MB_OK);
    held.signer.Release();
    return kSuccess;
  }
  ShowOutcomeBox(outcome, nullptr);
  held.signer.Release();
  // Only a detached signature that itself verified gives its content length up.
  if (progress.mode == Mode::kDetachedVerified) *content_length = 0;
  return outcome.code;
}

}  // namespace

int32_t VerifySignedMessage(const char* text, int32_t text_length, const SignedData& data,
                            char* content, int32_t* content_length, SignatureForm* form) {
  return ExportWithoutThrowing([&]() -> int32_t {
    if (form != nullptr) *form = SignatureForm::kUnknown;
    if (text == nullptr || content_length == nullptr) return kMissingArgument;
    if (content == nullptr) {
      *content_length = text_length;
      return kSuccess;
    }
    const CallerData apart{reinterpret_cast<const BYTE*>(data.bytes), data.length, true};
    return VerifyAndReport(text, text_length, apart, content, content_length, form);
  });
}

}  // namespace corvane::ops

extern "C" CORVANE_API int32_t CORVANE_CALL verifySingleSignedMsg(const char* text,
                                                                 int32_t text_length,
                                                                 char* content,
                                                                 int32_t* content_length) {
  using namespace corvane::ops;
  return ExportWithoutThrowing([&]() -> int32_t {
    if (text == nullptr || content_length == nullptr) return kMissingArgument;
    if (content == nullptr) {
      *content_length = text_length;
      return kSuccess;
    }
    // The buffer is both the data of a detached signature and the output of attached content.
    const CallerData shared{reinterpret_cast<const BYTE*>(content), *content_length, false};
    return VerifyAndReport(text, text_length, shared, content, content_length, nullptr);
  });
}
