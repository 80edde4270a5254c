// The one table of result codes and their fixed texts (GBK bytes; the Chinese in the comments).
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace corvane::ops {

enum ResultCode : int32_t {
  kSuccess = 0,
  kNoMemory = -10000,
  kMissingArgument = -10001,
  kDecodingFailed = -10002,
  kEncodingFailed = -10003,
  kNoCertificate = -10005,
  kUnrecognisedPackage = -10007,
  kNoSignerCertificate = -10009,
  kBadSignature = -10010,
  kCertificateExpired = -10011,
  kCertificateRevoked = -10012,
  kChainProblem = -10013,
  kIssuerNotFound = -10014,
  kNoPrivateKey = -10015,
  kFieldNotRenderable = -10016,
  kCertificateSignatureBad = -10017,
  kStoreNotOpened = -10018,
  kDeviceNotFound = -10019,
  kSigningFailed = -10020,
  kVerificationFailed = -10021,
  kEncryptionFailed = -10022,
  kDecryptionFailed = -10023,
};

namespace text {
// Box captions.
inline constexpr char kNoticeCaption[] = "\xCC\xE1\xCA\xBE\xD0\xC5\xCF\xA2";   // 提示信息
inline constexpr char kProblemCaption[] = "\xCE\xCA\xCC\xE2\xBB\xE3\xB1\xA8";  // 问题汇报
// Success texts.
inline constexpr char kSigned[] = "\xC7\xA9\xC3\xFB\xB3\xC9\xB9\xA6";     // 签名成功
inline constexpr char kEncrypted[] = "\xBC\xD3\xC3\xDC\xB3\xC9\xB9\xA6";  // 加密成功
inline constexpr char kDecrypted[] = "\xBD\xE2\xC3\xDC\xB3\xC9\xB9\xA6";  // 解密成功
// Prompts handed to the certificate selection.
inline constexpr char kChooseForSigning[] =  // 请选择签名用的证书
    "\xC7\xEB\xD1\xA1\xD4\xF1\xC7\xA9\xC3\xFB\xD3\xC3\xB5\xC4\xD6\xA4\xCA\xE9";
inline constexpr char kChooseForEncryption[] =  // 请选择加密用的证书
    "\xC7\xEB\xD1\xA1\xD4\xF1\xBC\xD3\xC3\xDC\xD3\xC3\xB5\xC4\xD6\xA4\xCA\xE9";
// Failure texts.
inline constexpr char kNoMemory[] =  // 没有可用的内存空间
    "\xC3\xBB\xD3\xD0\xBF\xC9\xD3\xC3\xB5\xC4\xC4\xDA\xB4\xE6\xBF\xD5\xBC\xE4";
inline constexpr char kSourceEmpty[] = "\xD4\xB4\xCA\xFD\xBE\xDD\xCE\xAA\xBF\xD5";  // 源数据为空
inline constexpr char kDecodingFailed[] = "\xBD\xE2\xC2\xEB\xCA\xA7\xB0\xDC";    // 解码失败
inline constexpr char kEncodingFailed[] = "\xB1\xE0\xC2\xEB\xCA\xA7\xB0\xDC";    // 编码失败
inline constexpr char kNoCertificateSpecified[] =  // 没有指定证书
    "\xC3\xBB\xD3\xD0\xD6\xB8\xB6\xA8\xD6\xA4\xCA\xE9";
inline constexpr char kCertificateNotObtained[] =  // 获取证书失败
    "\xBB\xF1\xC8\xA1\xD6\xA4\xCA\xE9\xCA\xA7\xB0\xDC";
inline constexpr char kUnrecognisedPackage[] =  // 不可识别的包
    "\xB2\xBB\xBF\xC9\xCA\xB6\xB1\xF0\xB5\xC4\xB0\xFC";
inline constexpr char kNoSignerCertificate[] =  // 没有证书主题信息
    "\xC3\xBB\xD3\xD0\xD6\xA4\xCA\xE9\xD6\xF7\xCC\xE2\xD0\xC5\xCF\xA2";
inline constexpr char kBadSignature[] =  // 无效的证书签名或者数据签名验证不对
    "\xCE\xDE\xD0\xA7\xB5\xC4\xD6\xA4\xCA\xE9\xC7\xA9\xC3\xFB\xBB\xF2\xD5\xDF\xCA\xFD\xBE\xDD"
    "\xC7\xA9\xC3\xFB\xD1\xE9\xD6\xA4\xB2\xBB\xB6\xD4";
inline constexpr char kCertificateExpired[] =  // 证书校验错误：证书已过期
    "\xD6\xA4\xCA\xE9\xD0\xA3\xD1\xE9\xB4\xED\xCE\xF3\xA3\xBA\xD6\xA4\xCA\xE9\xD2\xD1\xB9\xFD"
    "\xC6\xDA";
inline constexpr char kCertificateRevoked[] =  // 证书校验错误：证书已冻结或已废止
    "\xD6\xA4\xCA\xE9\xD0\xA3\xD1\xE9\xB4\xED\xCE\xF3\xA3\xBA\xD6\xA4\xCA\xE9\xD2\xD1\xB6\xB3"
    "\xBD\xE1\xBB\xF2\xD2\xD1\xB7\xCF\xD6\xB9";
inline constexpr char kChainProblem[] =  // 证书校验错误：证书链的验证出现问题
    "\xD6\xA4\xCA\xE9\xD0\xA3\xD1\xE9\xB4\xED\xCE\xF3\xA3\xBA\xD6\xA4\xCA\xE9\xC1\xB4\xB5\xC4"
    "\xD1\xE9\xD6\xA4\xB3\xF6\xCF\xD6\xCE\xCA\xCC\xE2";
inline constexpr char kIssuerNotFound[] =  // 证书校验错误：上级证书没有找到
    "\xD6\xA4\xCA\xE9\xD0\xA3\xD1\xE9\xB4\xED\xCE\xF3\xA3\xBA\xC9\xCF\xBC\xB6\xD6\xA4\xCA\xE9"
    "\xC3\xBB\xD3\xD0\xD5\xD2\xB5\xBD";
inline constexpr char kNoPrivateKey[] =  // 没有找到相应的私钥
    "\xC3\xBB\xD3\xD0\xD5\xD2\xB5\xBD\xCF\xE0\xD3\xA6\xB5\xC4\xCB\xBD\xD4\xBF";
inline constexpr char kCertificateSignatureBad[] =  // 证书校验错误：证书签名有问题
    "\xD6\xA4\xCA\xE9\xD0\xA3\xD1\xE9\xB4\xED\xCE\xF3\xA3\xBA\xD6\xA4\xCA\xE9\xC7\xA9\xC3\xFB"
    "\xD3\xD0\xCE\xCA\xCC\xE2";
inline constexpr char kPersonalStoreNotOpened[] =  // 打不开个人证书存储区
    "\xB4\xF2\xB2\xBB\xBF\xAA\xB8\xF6\xC8\xCB\xD6\xA4\xCA\xE9\xB4\xE6\xB4\xA2\xC7\xF8";
inline constexpr char kStoreNotOpened[] =  // 打不开证书存储区
    "\xB4\xF2\xB2\xBB\xBF\xAA\xD6\xA4\xCA\xE9\xB4\xE6\xB4\xA2\xC7\xF8";
inline constexpr char kDeviceNotFound1[] = "\xD5\xD2\xB2\xBB\xB5\xBD\xC9\xE8\xB1\xB8(1)";  // 找不到设备(1)
inline constexpr char kDeviceNotFound2[] = "\xD5\xD2\xB2\xBB\xB5\xBD\xC9\xE8\xB1\xB8(2)";  // 找不到设备(2)
inline constexpr char kSigningFailed[] = "\xC7\xA9\xC3\xFB\xCA\xA7\xB0\xDC";       // 签名失败
inline constexpr char kVerificationFailed[] = "\xD1\xE9\xD6\xA4\xCA\xA7\xB0\xDC";  // 验证失败
inline constexpr char kEncryptionFailed[] =  // 加密数据失败
    "\xBC\xD3\xC3\xDC\xCA\xFD\xBE\xDD\xCA\xA7\xB0\xDC";
inline constexpr char kDecryptionFailed[] =  // 解密数据失败
    "\xBD\xE2\xC3\xDC\xCA\xFD\xBE\xDD\xCA\xA7\xB0\xDC";
}  // namespace text

// The outcome of one step of an operation: a code and, for a failure, its fixed text.
struct Outcome {
  int32_t code = kSuccess;
  const char* text = nullptr;

  bool ok() const { return code == kSuccess; }
};

inline constexpr Outcome kDone{};

// The platform message calls whose failures the table below sorts.
enum class MessageCall { kSign, kVerify, kEncrypt, kDecrypt };

// Sorts the GetLastError value of a failed message call into its code and text.
Outcome MapMessageCallError(MessageCall call, DWORD error);

}  // namespace corvane::ops
