// The success text of signature verification: which certificate signed the message, named by
// its issuer and serial number as the certificate texts render them.
#pragma once

#include "certs/local_area.h"
#include "platform/platform.h"

namespace corvane::ops {

// "验证签名成功，该信息是由颁发者：" issuer "  ，序列号：" serial "  的证书签发的" (GBK), zero-
// terminated in an area of (issuer length + serial length + 100) zero bytes. Null when either
// field cannot be rendered or an area cannot be had.
certs::LocalArea<char> ComposeVerifiedText(PCCERT_CONTEXT signer);

}  // namespace corvane::ops
