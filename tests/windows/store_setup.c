/* Test setup under Wine: puts certificates into the current user's system stores, each private
 * key through CryptImportKey into a key container of its own, linked to its certificate with
 * CERT_KEY_PROV_INFO_PROP_ID (a PFX import under Wine mixes containers).
 * Usage: store_setup STORE CERT.der KEY.blob|- [STORE CERT.der KEY.blob|- ...]
 * CERT.der is a DER certificate, KEY.blob its RSA key as a PRIVATEKEYBLOB (openssl -outform
 * MSBLOB), "-" for none. Exits non-zero at the first step that fails. */
#include <windows.h>
#include <wincrypt.h>
#include <stdio.h>

#include "file_bytes.h"

static int Fail(const char* step, const char* path) {
  fprintf(stderr, "store_setup: %s failed for %s (0x%08lx)\n", step, path, GetLastError());
  return 1;
}

/* Imports the key into the container "corvane-test-<number>" and links it to the certificate. */
static int LinkKey(PCCERT_CONTEXT certificate, const char* key_path, int number) {
  FileBytes key = ReadFileBytes(key_path);
  char container[32];
  snprintf(container, sizeof container, "corvane-test-%d", number);
  HCRYPTPROV provider = 0;
  HCRYPTKEY imported = 0;
  if (key.bytes == NULL) return Fail("reading", key_path);
  if (!CryptAcquireContextA(&provider, container, MS_ENHANCED_PROV_A, PROV_RSA_FULL,
                            CRYPT_NEWKEYSET) ||
      !CryptImportKey(provider, key.bytes, key.length, 0, 0, &imported)) {
    return Fail("CryptImportKey", key_path);
  }
  CryptDestroyKey(imported);
  CryptReleaseContext(provider, 0);
  WCHAR container_wide[32];
  MultiByteToWideChar(CP_ACP, 0, container, -1, container_wide, 32);
  CRYPT_KEY_PROV_INFO info = {container_wide, (LPWSTR)MS_ENHANCED_PROV_W, PROV_RSA_FULL, 0, 0,
                              NULL, AT_KEYEXCHANGE};
  if (!CertSetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, 0, &info)) {
    return Fail("CertSetCertificateContextProperty", key_path);
  }
  return 0;
}

int main(int argc, char** argv) {
  for (int i = 1; i + 2 < argc; i += 3) {
    HCERTSTORE store = CertOpenSystemStoreA(0, argv[i]);
    FileBytes certificate = ReadFileBytes(argv[i + 1]);
    PCCERT_CONTEXT added = NULL;
    if (store == NULL || certificate.bytes == NULL ||
        !CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, certificate.bytes,
                                          certificate.length, CERT_STORE_ADD_REPLACE_EXISTING,
                                          &added)) {
      return Fail("adding", argv[i + 1]);
    }
    if (strcmp(argv[i + 2], "-") != 0 && LinkKey(added, argv[i + 2], i) != 0) return 1;
    CertFreeCertificateContext(added);
    CertCloseStore(store, 0);
  }
  return 0;
}
