#include "ops/result_codes.h"

#include <cstddef>

namespace corvane::ops {
namespace {

struct FailureRow {
  Failure failure;
  ResultCode code;
  const char* text;  // GBK
};

// The one table of failures: code and shown text, in the order of the codes.
constexpr FailureRow kFailures[] = {
    {Failure::kNoMemory, kNoMemory,  // 没有可用的内存空间
     "\xC3\xBB\xD3\xD0\xBF\xC9\xD3\xC3\xB5\xC4\xC4\xDA\xB4\xE6\xBF\xD5\xBC\xE4"},
    {Failure::kSourceEmpty, kMissingArgument,  // 源数据为空
     "\xD4\xB4\xCA\xFD\xBE\xDD\xCE\xAA\xBF\xD5"},
    {Failure::kDecodingFailed, kDecodingFailed, "\xBD\xE2\xC2\xEB\xCA\xA7\xB0\xDC"},  // 解码失败
    {Failure::kEncodingFailed, kEncodingFailed, "\xB1\xE0\xC2\xEB\xCA\xA7\xB0\xDC"},  // 编码失败
    {Failure::kNoCertificateSpecified, kNoCertificate,  // 没有指定证书
     "\xC3\xBB\xD3\xD0\xD6\xB8\xB6\xA8\xD6\xA4\xCA\xE9"},
    {Failure::kCertificateNotObtained, kNoCertificate,  // 获取证书失败
     "\xBB\xF1\xC8\xA1\xD6\xA4\xCA\xE9\xCA\xA7\xB0\xDC"},
    {Failure::kUnrecognisedPackage, kUnrecognisedPackage,  // 不可识别的包
     "\xB2\xBB\xBF\xC9\xCA\xB6\xB1\xF0\xB5\xC4\xB0\xFC"},
    {Failure::kNoSignerCertificate, kNoSignerCertificate,  // 没有证书主题信息
     "\xC3\xBB\xD3\xD0\xD6\xA4\xCA\xE9\xD6\xF7\xCC\xE2\xD0\xC5\xCF\xA2"},
    {Failure::kBadSignature, kBadSignature,  // 无效的证书签名或者数据签名验证不对
     "\xCE\xDE\xD0\xA7\xB5\xC4\xD6\xA4\xCA\xE9\xC7\xA9\xC3\xFB\xBB\xF2\xD5\xDF\xCA\xFD\xBE\xDD"
     "\xC7\xA9\xC3\xFB\xD1\xE9\xD6\xA4\xB2\xBB\xB6\xD4"},
    {Failure::kCertificateExpired, kCertificateExpired,  // 证书校验错误：证书已过期
     "\xD6\xA4\xCA\xE9\xD0\xA3\xD1\xE9\xB4\xED\xCE\xF3\xA3\xBA\xD6\xA4\xCA\xE9\xD2\xD1\xB9\xFD"
     "\xC6\xDA"},
    {Failure::kCertificateRevoked, kCertificateRevoked,  // 证书校验错误：证书已冻结或已废止
     "\xD6\xA4\xCA\xE9\xD0\xA3\xD1\xE9\xB4\xED\xCE\xF3\xA3\xBA\xD6\xA4\xCA\xE9\xD2\xD1\xB6\xB3"
     "\xBD\xE1\xBB\xF2\xD2\xD1\xB7\xCF\xD6\xB9"},
    {Failure::kChainProblem, kChainProblem,  // 证书校验错误：证书链的验证出现问题
     "\xD6\xA4\xCA\xE9\xD0\xA3\xD1\xE9\xB4\xED\xCE\xF3\xA3\xBA\xD6\xA4\xCA\xE9\xC1\xB4\xB5\xC4"
     "\xD1\xE9\xD6\xA4\xB3\xF6\xCF\xD6\xCE\xCA\xCC\xE2"},
    {Failure::kIssuerNotFound, kIssuerNotFound,  // 证书校验错误：上级证书没有找到
     "\xD6\xA4\xCA\xE9\xD0\xA3\xD1\xE9\xB4\xED\xCE\xF3\xA3\xBA\xC9\xCF\xBC\xB6\xD6\xA4\xCA\xE9"
     "\xC3\xBB\xD3\xD0\xD5\xD2\xB5\xBD"},
    {Failure::kNoPrivateKey, kNoPrivateKey,  // 没有找到相应的私钥
     "\xC3\xBB\xD3\xD0\xD5\xD2\xB5\xBD\xCF\xE0\xD3\xA6\xB5\xC4\xCB\xBD\xD4\xBF"},
    {Failure::kCertificateSignatureBad, kCertificateSignatureBad,  // 证书校验错误：证书签名有问题
     "\xD6\xA4\xCA\xE9\xD0\xA3\xD1\xE9\xB4\xED\xCE\xF3\xA3\xBA\xD6\xA4\xCA\xE9\xC7\xA9\xC3\xFB"
     "\xD3\xD0\xCE\xCA\xCC\xE2"},
    {Failure::kStoreNotOpened, kStoreNotOpened,  // 打不开证书存储区
     "\xB4\xF2\xB2\xBB\xBF\xAA\xD6\xA4\xCA\xE9\xB4\xE6\xB4\xA2\xC7\xF8"},
    {Failure::kPersonalStoreNotOpened, kStoreNotOpened,  // 打不开个人证书存储区
     "\xB4\xF2\xB2\xBB\xBF\xAA\xB8\xF6\xC8\xCB\xD6\xA4\xCA\xE9\xB4\xE6\xB4\xA2\xC7\xF8"},
    {Failure::kDeviceNotFound1, kDeviceNotFound, "\xD5\xD2\xB2\xBB\xB5\xBD\xC9\xE8\xB1\xB8(1)"},
    {Failure::kDeviceNotFound2, kDeviceNotFound, "\xD5\xD2\xB2\xBB\xB5\xBD\xC9\xE8\xB1\xB8(2)"},
    {Failure::kSigningFailed, kSigningFailed, "\xC7\xA9\xC3\xFB\xCA\xA7\xB0\xDC"},  // 签名失败
    {Failure::kVerificationFailed, kVerificationFailed,  // 验证失败
     "\xD1\xE9\xD6\xA4\xCA\xA7\xB0\xDC"},
    {Failure::kEncryptionFailed, kEncryptionFailed,  // 加密数据失败
     "\xBC\xD3\xC3\xDC\xCA\xFD\xBE\xDD\xCA\xA7\xB0\xDC"},
    {Failure::kDecryptionFailed, kDecryptionFailed,  // 解密数据失败
     "\xBD\xE2\xC3\xDC\xCA\xFD\xBE\xDD\xCA\xA7\xB0\xDC"},
};

// Row i holds failure i, so that Raise is an index.
constexpr bool RowsInFailureOrder() {
  for (size_t i = 0; i < std::size(kFailures); ++i) {
    if (static_cast<size_t>(kFailures[i].failure) != i) return false;
  }
  return std::size(kFailures) == static_cast<size_t>(Failure::kDecryptionFailed) + 1;
}
static_assert(RowsInFailureOrder());

}  // namespace

Outcome Raise(Failure failure) {
  const FailureRow& row = kFailures[static_cast<size_t>(failure)];
  return {row.code, row.text};
}

std::vector<const char*> ResultCodeTexts(int32_t code) {
  std::vector<const char*> texts;
  for (const FailureRow& row : kFailures) {
    if (row.code == code) texts.push_back(row.text);
  }
  return texts;
}

Outcome MapMessageCallError(MessageCall call, DWORD error) {
  // The missing-key error differs by direction: the platform reports a certificate without a
  // linked key as CRYPT_E_NO_KEY_PROPERTY, and an envelope with no openable recipient as
  // CRYPT_E_NO_DECRYPT_CERT.
  const DWORD missing_key =
      call == MessageCall::kDecrypt ? CRYPT_E_NO_DECRYPT_CERT : CRYPT_E_NO_KEY_PROPERTY;
  if (error == missing_key) return Raise(Failure::kNoPrivateKey);
  if (error == CRYPT_E_OSS_ERROR) return Raise(Failure::kUnrecognisedPackage);
  if (error == NTE_BAD_SIGNATURE) return Raise(Failure::kBadSignature);
  switch (call) {
    case MessageCall::kSign:
      return Raise(Failure::kSigningFailed);
    case MessageCall::kVerify:
      return Raise(Failure::kVerificationFailed);
    case MessageCall::kEncrypt:
      return Raise(Failure::kEncryptionFailed);
    case MessageCall::kDecrypt:
      break;
  }
  return Raise(Failure::kDecryptionFailed);
}

}  // namespace corvane::ops
