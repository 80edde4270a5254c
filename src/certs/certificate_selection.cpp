// SelectCertificate: three entries per candidate (subject label, issuer label, DER subject name)
// in an entry list, the chooser over them, and the chosen subject name looked up again in the
// stores as they are once the chooser has closed (a certificate removed meanwhile is not chosen).
//
// A label that comes out empty (an empty name text, or a key right before a comma as in "CN=,")
// is replaced by its placeholder, like a name that cannot be rendered, so that every candidate
// keeps its three entries and the chooser shows every line.
#include "certs/certificate_selection.h"

#include <cstring>
#include <string_view>

#include "certs/certificate_entry_list.h"
#include "certs/certificate_search.h"
#include "certs/certificate_selection_dialog.h"
#include "certs/certificate_text.h"
#include "certs/local_area.h"

namespace corvane::certs {
namespace {

// Placeholders, GBK.
constexpr std::string_view kNoSubject = "\xC3\xBB\xD3\xD0\xD6\xF7\xCC\xE2";  // 没有主题
constexpr std::string_view kNoIssuer =                                           // 没有颁发者
    "\xC3\xBB\xD3\xD0\xB0\xE4\xB7\xA2\xD5\xDF";
constexpr std::string_view kNoSubjectIndex =  // 没有主题索引
    "\xC3\xBB\xD3\xD0\xD6\xF7\xCC\xE2\xCB\xF7\xD2\xFD";

void AppendText(CertificateEntryList& entries, std::string_view text) {
  entries.Append(text.data(), static_cast<int32_t>(text.size()));
}

// The short label of a rendered name field (two-pass), or the placeholder.
void AppendLabel(CertificateEntryList& entries, PCCERT_CONTEXT certificate, int field,
                 std::string_view placeholder) {
  int length = 0;
  FormatCertificateField(certificate, field, nullptr, &length);
  LocalArea<char> text =
      length > 0 ? AllocateZeroed<char>(static_cast<size_t>(length) + 1) : nullptr;
  if (text) FormatCertificateField(certificate, field, text.get(), &length);
  const std::string_view label = text ? ShortNameLabel(text.get()) : std::string_view();
  AppendText(entries, label.empty() ? placeholder : label);
}

void AppendSubjectName(CertificateEntryList& entries, PCCERT_CONTEXT certificate) {
  const CERT_NAME_BLOB& subject = certificate->pCertInfo->Subject;
  if (subject.cbData == 0 || subject.pbData == nullptr) {
    AppendText(entries, kNoSubjectIndex);
    return;
  }
  entries.Append(subject.pbData, static_cast<int32_t>(subject.cbData));
}

// Fills the list with every certificate of the stores; returns the number of candidates.
int32_t ListCandidates(HCERTSTORE* stores, int32_t store_count, CertificateEntryList& entries) {
  int32_t candidates = 0;
  for (int32_t s = 0; s < store_count; ++s) {
    PCCERT_CONTEXT certificate = nullptr;
    while ((certificate = CertEnumCertificatesInStore(stores[s], certificate)) != nullptr) {
      AppendLabel(entries, certificate, kSubjectName, kNoSubject);
      AppendLabel(entries, certificate, kIssuerName, kNoIssuer);
      AppendSubjectName(entries, certificate);
      ++candidates;
    }
  }
  return candidates;
}

PCCERT_CONTEXT FindChosen(HCERTSTORE* stores, int32_t store_count,
                          const CertificateEntryList& entries, int32_t index) {
  int32_t length = 0;
  if (entries.Get(index, nullptr, &length) != CertificateEntryList::kOk) return nullptr;
  LocalArea<BYTE> name = AllocateZeroed<BYTE>(static_cast<size_t>(length) + 1);
  if (!name) return nullptr;
  entries.Get(index, name.get(), &length);
  return FindCertificateBySubject(stores, store_count, name.get(), static_cast<uint32_t>(length));
}

// Reads every store again: the chooser may have stayed open while certificates were removed, and
// the choice must still be in its store when it is taken. False when a store cannot be read.
bool ReadStoresAgain(HCERTSTORE* stores, int32_t store_count) {
  for (int32_t s = 0; s < store_count; ++s) {
    if (!CertControlStore(stores[s], 0, CERT_STORE_CTRL_RESYNC, nullptr)) return false;
  }
  return true;
}

}  // namespace

std::string_view ShortNameLabel(const char* name_text) {
  const char* start = nullptr;
  if (const char* cn = std::strstr(name_text, "CN=")) start = cn + 3;
  else if (const char* ou = std::strstr(name_text, "OU=")) start = ou + 3;
  else if (const char* o = std::strstr(name_text, "O=")) start = o + 2;
  if (start == nullptr) return name_text;
  const char* comma = std::strchr(start, ',');
  return comma ? std::string_view(start, static_cast<size_t>(comma - start))
               : std::string_view(start);
}

PCCERT_CONTEXT SelectCertificate(HCERTSTORE* stores, int32_t store_count,
                                 const char* /*purpose_gbk*/) {
  if (store_count <= 0 || stores == nullptr) return nullptr;
  CertificateEntryList* entries = nullptr;
  if (CertificateEntryList::Create(&entries) != CertificateEntryList::kOk) return nullptr;

  const int32_t candidates = ListCandidates(stores, store_count, *entries);
  CertificateSelectionDialog dialog(candidates, entries);
  dialog.ShowModal(GetActiveWindow());
  const int32_t index = dialog.chosen_index();

  PCCERT_CONTEXT chosen = nullptr;
  if (index >= 0 && static_cast<int64_t>(index) <= 3 * static_cast<int64_t>(candidates) &&
      ReadStoresAgain(stores, store_count)) {
    chosen = FindChosen(stores, store_count, *entries, index);
  }
  CertificateEntryList::Free(entries);
  return chosen;
}

}  // namespace corvane::certs
