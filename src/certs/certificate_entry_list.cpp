// CertificateEntryList: a singly linked list whose first node is a marker ("This is a List Head")
// and not an entry. Nodes and their copies come from LocalAlloc, so that the "no memory" statuses
// can be provoked through the platform's fault seam; each copy is one byte longer than its entry
// and ends in a zero byte.
#include "certs/certificate_entry_list.h"

#include <cstring>
#include <new>

#include "platform/platform.h"

namespace corvane::certs {

struct CertificateEntryList::Node {
  char* data = nullptr;  // length + 1 bytes: the entry and a zero byte
  int32_t length = 0;
  Node* next = nullptr;
};

namespace {

constexpr char kMarkerText[] = "This is a List Head";

template <typename T>
T* NewInLocalMemory() {
  void* memory = LocalAlloc(LPTR, sizeof(T));
  return memory ? new (memory) T() : nullptr;
}

template <typename T>
void DeleteFromLocalMemory(T* object) {
  object->~T();
  LocalFree(object);
}

// A zero-terminated copy of `length` bytes; null when no memory could be had.
char* CopyOf(const void* bytes, int32_t length) {
  char* copy = static_cast<char*>(LocalAlloc(LPTR, static_cast<size_t>(length) + 1));
  if (copy) std::memcpy(copy, bytes, static_cast<size_t>(length));
  return copy;
}

}  // namespace

int32_t CertificateEntryList::Create(CertificateEntryList** list) {
  *list = nullptr;
  void* memory = LocalAlloc(LPTR, sizeof(CertificateEntryList));
  CertificateEntryList* created = memory ? new (memory) CertificateEntryList() : nullptr;
  Node* marker = created ? NewInLocalMemory<Node>() : nullptr;
  if (marker == nullptr) {
    if (created) DeleteFromLocalMemory(created);
    return kNoMemoryForNode;
  }
  marker->data = CopyOf(kMarkerText, sizeof kMarkerText - 1);
  if (marker->data == nullptr) {
    DeleteFromLocalMemory(marker);
    DeleteFromLocalMemory(created);
    return kNoMemoryForData;
  }
  marker->length = sizeof kMarkerText - 1;
  created->head_ = marker;
  *list = created;
  return kOk;
}

int32_t CertificateEntryList::Free(CertificateEntryList* list) {
  if (list == nullptr) return kOk;
  for (Node* node = list->head_; node != nullptr;) {
    Node* next = node->next;
    LocalFree(node->data);
    DeleteFromLocalMemory(node);
    node = next;
  }
  DeleteFromLocalMemory(list);
  return kOk;
}

int32_t CertificateEntryList::Append(const void* bytes, int32_t length) {
  if (bytes == nullptr || length <= 0) return kNoSuchEntry;
  Node* node = NewInLocalMemory<Node>();
  if (node == nullptr) return kNoMemoryForNode;
  node->data = CopyOf(bytes, length);
  if (node->data == nullptr) {
    DeleteFromLocalMemory(node);
    return kNoMemoryForData;
  }
  node->length = length;
  Node* last = head_;
  while (last->next != nullptr) last = last->next;
  last->next = node;
  return kOk;
}

int32_t CertificateEntryList::Count(const CertificateEntryList* list, int32_t* count) {
  int32_t entries = 0;
  if (list != nullptr) {
    for (const Node* node = list->head_->next; node != nullptr; node = node->next) ++entries;
  }
  if (count) *count = entries;
  return kOk;
}

int32_t CertificateEntryList::Get(int32_t index, void* buffer, int32_t* length) const {
  if (index < 0) return kNegativeIndex;
  const Node* node = head_->next;
  for (int32_t k = 0; node != nullptr && k < index; ++k) node = node->next;
  if (node == nullptr) return kNoSuchEntry;
  if (length) *length = node->length;
  if (buffer) {
    std::memset(buffer, 0, static_cast<size_t>(node->length));
    std::memcpy(buffer, node->data, static_cast<size_t>(node->length));
  }
  return kOk;
}

}  // namespace corvane::certs
