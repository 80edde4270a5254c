// The certificates of one store that chains are built from ("ROOT" or "CA"), filed by the hash of
// their subject names' canonical form (name_hash.h): OpenSSL asks for an issuer only by the name
// a certificate gives it, in that form.
//
// From a whole reading of the store every certificate is filed at once. From a reading through
// the folder's index (indexed_folder.h) nothing is read until a name is asked for: then only the
// files the index gives that name's hash are read, each checked against the index, and what they
// hold is filed under the hash. When a file does not hold what the index says, the store is read
// whole (store_cache.h) and every name not asked for before is answered from that reading. So a
// lookup finds only certificates the folder holds, and through a sound index the very ones a
// whole reading finds.
//
// Lookups are thread-safe; a list handed out never changes and lives as long as this object.
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/posix/ossl.h"
#include "platform/posix/store/certificate_context.h"

namespace corvane::platform {

// A certificate that may take a place in a chain, and the store snapshot its context comes from.
struct ChainCandidate {
  StoreObject* store = nullptr;  // kept alive by the material or the call that holds it
  std::shared_ptr<const StoreContents> contents;
  size_t index = 0;

  const StoredCertificate& Stored() const { return *contents->certificates[index]; }
  // The OpenSSL form, made on first use; null when OpenSSL rejects the certificate.
  X509* Certificate() const { return Stored().OpenSslCertificate(); }
};

class CandidatesByName {
 public:
  explicit CandidatesByName(std::shared_ptr<const StoreContents> reading);
  ~CandidatesByName();
  CandidatesByName(const CandidatesByName&) = delete;
  CandidatesByName& operator=(const CandidatesByName&) = delete;

  // The reading of the store this was made from.
  const StoreContents* reading() const { return reading_.get(); }

  // The certificates whose subject name has this hash, in the store's order (ascending
  // thumbprint); null for none.
  const std::vector<const ChainCandidate*>* Named(unsigned long name_hash) const;
  // The candidate among those of this hash that is this very OpenSSL certificate; null for none.
  const ChainCandidate* Find(X509* certificate, unsigned long name_hash) const;

 private:
  // Files every certificate of `contents` whose hash has no list yet (under the lock).
  void FileAll(const std::shared_ptr<const StoreContents>& contents) const;
  // Files the certificates of `contents` with this hash as its list (under the lock).
  void FileNamed(unsigned long name_hash, const std::shared_ptr<const StoreContents>& contents) const;

  const std::shared_ptr<const StoreContents> reading_;
  StoreObject* const store_;  // the store the candidates' contexts belong to
  mutable std::mutex lock_;
  mutable bool whole_ = false;  // every certificate of the store is filed
  mutable std::deque<ChainCandidate> candidates_;
  mutable std::unordered_map<unsigned long, std::vector<const ChainCandidate*>> by_name_;
};

}  // namespace corvane::platform
