#include "platform/posix/message/unsupported_algorithm.h"

#include <openssl/objects.h>

#include "platform/posix/failure_detail.h"
#include "platform/posix/ossl.h"

namespace corvane::platform {

Status UnsupportedAlgorithm(std::string_view role, const std::string& dotted_oid, DWORD error) {
  const ossl::UniquePtr<ASN1_OBJECT> object(OBJ_txt2obj(dotted_oid.c_str(), 1));
  const int nid = object ? OBJ_obj2nid(object.get()) : NID_undef;
  const char* name = nid != NID_undef ? OBJ_nid2ln(nid) : nullptr;
  std::string detail(role);
  detail += name != nullptr ? " " + std::string(name) + " (" + dotted_oid + ")" : " " + dotted_oid;
  SetFailureDetail(detail + " is not supported");
  return Status(error);
}

}  // namespace corvane::platform
