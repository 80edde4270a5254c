#include "command_line.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "ops/result_codes.h"
#include "platform/posix/text/gbk.h"

namespace corvane::tool {

std::optional<std::string> ReadInput(const std::string& path) {
  if (path.empty() || path == "-") {
    std::string bytes((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    if (std::cin.bad()) return std::nullopt;
    return bytes;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return bytes.str();
}

bool WriteOutput(const std::string& path, const std::string& bytes) {
  if (path.empty() || path == "-") {
    std::cout.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    std::cout.flush();
    return static_cast<bool>(std::cout);
  }
  const std::filesystem::path target(path);
  const std::filesystem::path temporary =
      target.parent_path() / ("." + target.filename().string() + ".tmp" + std::to_string(getpid()));
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, target, error);
  if (error) std::filesystem::remove(temporary, error);
  return !error;
}

Options::Options(std::vector<std::string> args, const std::vector<std::string>& flags_with_values) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() < 3 || arg.rfind("--", 0) != 0) {
      positional_.push_back(arg);
      continue;
    }
    const std::string name = arg.substr(2);
    bool takes_value = false;
    for (const auto& candidate : flags_with_values) takes_value |= candidate == name;
    if (!takes_value) {
      options_.emplace_back(name, std::nullopt);
    } else if (i + 1 < args.size()) {
      options_.emplace_back(name, args[++i]);
    } else {
      error_ = "option --" + name + " needs a value";
    }
  }
}

bool Options::Flag(const std::string& name) const {
  for (const auto& [option, value] : options_) {
    if (option == name && !value) return true;
  }
  return false;
}

std::optional<std::string> Options::Value(const std::string& name) const {
  for (const auto& [option, value] : options_) {
    if (option == name && value) return value;
  }
  return std::nullopt;
}

int Fail(const std::string& message) {
  std::cerr << "corvane: " << message << "\n";
  return 1;
}

std::string ResultCodeText(int code) {
  namespace text = ops::text;
  const char* gbk = nullptr;
  switch (code) {
    case ops::kNoMemory: gbk = text::kNoMemory; break;
    case ops::kMissingArgument: gbk = text::kSourceEmpty; break;
    case ops::kDecodingFailed: gbk = text::kDecodingFailed; break;
    case ops::kEncodingFailed: gbk = text::kEncodingFailed; break;
    case ops::kNoCertificate: gbk = text::kNoCertificateSpecified; break;
    case ops::kUnrecognisedPackage: gbk = text::kUnrecognisedPackage; break;
    case ops::kNoSignerCertificate: gbk = text::kNoSignerCertificate; break;
    case ops::kBadSignature: gbk = text::kBadSignature; break;
    case ops::kCertificateExpired: gbk = text::kCertificateExpired; break;
    case ops::kCertificateRevoked: gbk = text::kCertificateRevoked; break;
    case ops::kChainProblem: gbk = text::kChainProblem; break;
    case ops::kIssuerNotFound: gbk = text::kIssuerNotFound; break;
    case ops::kNoPrivateKey: gbk = text::kNoPrivateKey; break;
    case ops::kCertificateSignatureBad: gbk = text::kCertificateSignatureBad; break;
    case ops::kStoreNotOpened: gbk = text::kStoreNotOpened; break;
    case ops::kDeviceNotFound: {
      // The box names which of the two provider steps failed; here "找不到设备" is enough.
      const std::string device_not_found(text::kDeviceNotFound1, sizeof text::kDeviceNotFound1 - 4);
      return corvane::text::GbkToUtf8(device_not_found) + " (" + std::to_string(code) + ")";
    }
    case ops::kSigningFailed: gbk = text::kSigningFailed; break;
    case ops::kVerificationFailed: gbk = text::kVerificationFailed; break;
    case ops::kEncryptionFailed: gbk = text::kEncryptionFailed; break;
    case ops::kDecryptionFailed: gbk = text::kDecryptionFailed; break;
    default: return "result " + std::to_string(code);
  }
  return corvane::text::GbkToUtf8(gbk) + " (" + std::to_string(code) + ")";
}

}  // namespace corvane::tool
