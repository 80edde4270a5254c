// CertificateEntryList: the ordered list of byte strings through which the chooser's candidate
// texts travel (three entries per candidate: subject label, issuer label, DER subject name).
#pragma once

#include <cstdint>

namespace corvane::certs {

class CertificateEntryList {
 public:
  // Statuses of the list operations.
  static constexpr int32_t kOk = 0;
  static constexpr int32_t kNoMemoryForNode = -1;
  static constexpr int32_t kNoMemoryForData = -2;
  static constexpr int32_t kNegativeIndex = -3;
  static constexpr int32_t kNoSuchEntry = -4;  // also: append of no bytes

  // Creates a list holding only its marker node; null in *list on failure.
  static int32_t Create(CertificateEntryList** list);
  // Releases every node of the list (null allowed).
  static int32_t Free(CertificateEntryList* list);

  int32_t Append(const void* bytes, int32_t length);
  // n := number of entries (0 for a null list).
  static int32_t Count(const CertificateEntryList* list, int32_t* count);
  // *length := the entry's length; when `buffer` is given, zero its first *length bytes and copy
  // the entry into them (no terminator written after them).
  int32_t Get(int32_t index, void* buffer, int32_t* length) const;

 private:
  struct Node;
  CertificateEntryList() = default;
  Node* head_ = nullptr;  // the marker node
};

}  // namespace corvane::certs
