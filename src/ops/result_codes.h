// Result codes, the failures that raise them and the library's fixed texts (GBK bytes; the
// Chinese in the comments). The numbers are the public ones of include/corvane.h.
#pragma once

#include <cstdint>

#include <vector>

#include "corvane.h"
#include "platform/platform.h"

namespace corvane::ops {

enum ResultCode : int32_t {
  kSuccess = CORVANE_OK,
  kNoMemory = CORVANE_E_NO_MEMORY,
  kMissingArgument = CORVANE_E_MISSING_ARGUMENT,
  kDecodingFailed = CORVANE_E_DECODING_FAILED,
  kEncodingFailed = CORVANE_E_ENCODING_FAILED,
  kNoCertificate = CORVANE_E_NO_CERTIFICATE,
  kUnrecognisedPackage = CORVANE_E_UNRECOGNISED_PACKAGE,
  kNoSignerCertificate = CORVANE_E_NO_SIGNER_CERTIFICATE,
  kBadSignature = CORVANE_E_BAD_SIGNATURE,
  kCertificateExpired = CORVANE_E_CERTIFICATE_EXPIRED,
  kCertificateRevoked = CORVANE_E_CERTIFICATE_REVOKED,
  kChainProblem = CORVANE_E_CHAIN_PROBLEM,
  kIssuerNotFound = CORVANE_E_ISSUER_NOT_FOUND,
  kNoPrivateKey = CORVANE_E_NO_PRIVATE_KEY,
  kFieldNotRenderable = CORVANE_E_FIELD_NOT_RENDERABLE,
  kCertificateSignatureBad = CORVANE_E_CERTIFICATE_SIGNATURE_BAD,
  kStoreNotOpened = CORVANE_E_STORE_NOT_OPENED,
  kDeviceNotFound = CORVANE_E_DEVICE_NOT_FOUND,
  kSigningFailed = CORVANE_E_SIGNING_FAILED,
  kVerificationFailed = CORVANE_E_VERIFICATION_FAILED,
  kEncryptionFailed = CORVANE_E_ENCRYPTION_FAILED,
  kDecryptionFailed = CORVANE_E_DECRYPTION_FAILED,
};

// Every failure an export raises: one code and one fixed text each, from the table in
// result_codes.cpp (the only place the failure texts are written). A code has one failure, but
// for -10005, -10018 and -10019, whose texts name the operation or the step that failed.
enum class Failure : uint8_t {
  kNoMemory,                  // -10000 没有可用的内存空间
  kSourceEmpty,               // -10001 源数据为空
  kDecodingFailed,            // -10002 解码失败
  kEncodingFailed,            // -10003 编码失败
  kNoCertificateSpecified,    // -10005 没有指定证书 (signing)
  kCertificateNotObtained,    // -10005 获取证书失败 (enveloping)
  kUnrecognisedPackage,       // -10007 不可识别的包
  kNoSignerCertificate,       // -10009 没有证书主题信息
  kBadSignature,              // -10010 无效的证书签名或者数据签名验证不对
  kCertificateExpired,        // -10011 证书校验错误：证书已过期
  kCertificateRevoked,        // -10012 证书校验错误：证书已冻结或已废止
  kChainProblem,              // -10013 证书校验错误：证书链的验证出现问题
  kIssuerNotFound,            // -10014 证书校验错误：上级证书没有找到
  kNoPrivateKey,              // -10015 没有找到相应的私钥
  kCertificateSignatureBad,   // -10017 证书校验错误：证书签名有问题
  kStoreNotOpened,            // -10018 打不开证书存储区 (enveloping, opening)
  kPersonalStoreNotOpened,    // -10018 打不开个人证书存储区 (signing)
  kDeviceNotFound1,           // -10019 找不到设备(1): the default provider cannot be set
  kDeviceNotFound2,           // -10019 找不到设备(2): no provider context can be had
  kSigningFailed,             // -10020 签名失败
  kVerificationFailed,        // -10021 验证失败
  kEncryptionFailed,          // -10022 加密数据失败
  kDecryptionFailed,          // -10023 解密数据失败
};

// The texts that are not failures: box captions, success texts and the chooser's prompts (GBK).
namespace text {
// Box captions.
inline constexpr char kNoticeCaption[] = "\xCC\xE1\xCA\xBE\xD0\xC5\xCF\xA2";   // 提示信息
inline constexpr char kProblemCaption[] = "\xCE\xCA\xCC\xE2\xBB\xE3\xB1\xA8";  // 问题汇报
// Success texts.
inline constexpr char kSigned[] = "\xC7\xA9\xC3\xFB\xB3\xC9\xB9\xA6";     // 签名成功
inline constexpr char kEncrypted[] = "\xBC\xD3\xC3\xDC\xB3\xC9\xB9\xA6";  // 加密成功
inline constexpr char kDecrypted[] = "\xBD\xE2\xC3\xDC\xB3\xC9\xB9\xA6";  // 解密成功
// The chain failure text for a validation code without a text of its own.
inline constexpr char kChainSystemError[] =  // 证书校验错误：系统错误
    "\xD6\xA4\xCA\xE9\xD0\xA3\xD1\xE9\xB4\xED\xCE\xF3\xA3\xBA\xCF\xB5\xCD\xB3\xB4\xED\xCE\xF3";
// Prompts handed to the certificate selection.
inline constexpr char kChooseForSigning[] =  // 请选择签名用的证书
    "\xC7\xEB\xD1\xA1\xD4\xF1\xC7\xA9\xC3\xFB\xD3\xC3\xB5\xC4\xD6\xA4\xCA\xE9";
inline constexpr char kChooseForEncryption[] =  // 请选择加密用的证书
    "\xC7\xEB\xD1\xA1\xD4\xF1\xBC\xD3\xC3\xDC\xD3\xC3\xB5\xC4\xD6\xA4\xCA\xE9";
}  // namespace text

// The outcome of one step of an operation: a code and, for a failure, its fixed text.
struct Outcome {
  int32_t code = kSuccess;
  const char* text = nullptr;

  bool ok() const { return code == kSuccess; }
};

inline constexpr Outcome kDone{};

// The code and fixed text of a failure.
Outcome Raise(Failure failure);

// Every text a code is shown with, in the table's order (two for -10005, -10018 and -10019; none
// for success, -10016 and unknown codes): what the command-line tool prints for a code.
std::vector<const char*> ResultCodeTexts(int32_t code);

// The platform message calls whose failures the table below sorts.
enum class MessageCall { kSign, kVerify, kEncrypt, kDecrypt };

// Sorts the GetLastError value of a failed message call into its code and text.
Outcome MapMessageCallError(MessageCall call, DWORD error);

}  // namespace corvane::ops
