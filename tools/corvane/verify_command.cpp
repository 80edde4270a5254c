#include "verify_command.h"

#include <algorithm>
#include <iostream>
#include <optional>

#include "codec/base64.h"
#include "command_line.h"
#include "command_table.h"
#include "corvane.h"
#include "ops/verified_text.h"
#include "platform/posix/text/gbk.h"
#include "platform/posix/ui/ui_settings.h"
#include "platform/posix/ui/ui_text.h"

namespace corvane::tool {
namespace {

void PrintForTerminal(const std::string& gbk) {
  const auto encoding = platform::ReadUiSettings().terminal_encoding;
  std::cerr << "corvane: " << platform::ForTerminal(gbk, encoding) << "\n";
}

// The signer's certificate of a message that verified, taken from the message again the way
// the export does (attached, else detached over `data`), to name it in the success text.
PCCERT_CONTEXT SignerOf(const std::string& text, const std::string* data) {
  std::string message(text.size() + 1, '\0');
  int32_t length = 0;
  auto* bytes = reinterpret_cast<uint8_t*>(message.data());
  if (codec::DecodeBase64(text.data(), static_cast<int32_t>(text.size()), bytes, &length) != 0) {
    return nullptr;
  }
  CRYPT_VERIFY_MESSAGE_PARA parameters{};
  parameters.cbSize = sizeof parameters;
  parameters.dwMsgAndCertEncodingType = PKCS_7_ASN_ENCODING | X509_ASN_ENCODING;
  PCCERT_CONTEXT signer = nullptr;
  const auto size = static_cast<DWORD>(length);
  if (CryptVerifyMessageSignature(&parameters, 0, bytes, size, nullptr, nullptr, &signer) ||
      data == nullptr) {
    return signer;
  }
  const BYTE* pieces[] = {reinterpret_cast<const BYTE*>(data->data())};
  DWORD piece_sizes[] = {static_cast<DWORD>(data->size())};
  CryptVerifyDetachedMessageSignature(&parameters, 0, bytes, size, 1, pieces, piece_sizes, &signer);
  return signer;
}

void PrintSuccessText(const std::string& text, const std::string* data) {
  PCCERT_CONTEXT signer = SignerOf(text, data);
  const certs::LocalArea<char> report = ops::ComposeVerifiedText(signer);
  CertFreeCertificateContext(signer);
  if (report) PrintForTerminal(report.get());
}

}  // namespace

int RunVerifyCommand(const std::vector<std::string>& args) {
  const Options options(args, "verify");
  if (options.error()) return Fail(*options.error());
  if (!options.positional().empty()) {
    return Fail(UsageLine("verify"));
  }
  const std::string in = options.Value("in").value_or("-");
  std::string failure;
  const auto text = ReadInput(in, kMessageInputLimit, failure);
  if (!text) return Fail(failure);
  std::optional<std::string> data;
  if (const auto data_path = options.Value("data")) {
    data = ReadInput(*data_path, kMessageInputLimit, failure);
    if (!data) return Fail(failure);
  }
  const auto text_length = static_cast<int32_t>(text->size());

  std::string content;
  int32_t result = 0;
  if (data) {
    // The export tries the message as attached first and would then write its content here:
    // the buffer holds the data and is at least as large as the size query answers.
    std::string buffer = *data;
    buffer.resize(std::max(data->size(), text->size()) + 1, '\0');
    int32_t length = static_cast<int32_t>(data->size());
    result = verifySingleSignedMsg(text->data(), text_length, buffer.data(), &length);
  } else {
    result = CallExportTwice(
        [&](char* out, int32_t* length) {
          return verifySingleSignedMsg(text->data(), text_length, out, length);
        },
        content);
  }
  if (result != 0) {
    PrintForTerminal(corvane::text::Utf8ToGbk(ResultCodeText(result)));
    return 1;
  }
  PrintSuccessText(*text, data ? &*data : nullptr);
  if (!data && !WriteOutput(options.Value("out").value_or("-"), content)) {
    return Fail("cannot write " + options.Value("out").value_or("-"));
  }
  return 0;
}

}  // namespace corvane::tool
