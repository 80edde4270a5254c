/* The Windows side of the smoke tests under Wine. Prints "result <code>"; outputs go to files
 * that the Linux side checks with the openssl command.
 *   store STORE CERT.der KEY.blob|- ...   puts certificates into the current user's system
 *       stores, each RSA key (a PRIVATEKEYBLOB) through CryptImportKey into a container of its
 *       own, linked with CERT_KEY_PROV_INFO_PROP_ID (a PFX import under Wine mixes containers)
 *   sign MODE SERIAL|- ISSUER|- DATA OUT  generateSingleSignedMsgByIssuerSN, BySN without an
 *       issuer, generateSingleSignedMsg without a serial (then the dialog's lines, selection and
 *       distance from the work area's centre are printed first)
 *   verify MESSAGE DATA|- OUT             verifySingleSignedMsg, detached with DATA
 *   selftest                              the JNI entry JNItest, found by its exported name
 * Each export is called as a program would: size query, then the real call. */
#include <windows.h>
#include <wincrypt.h>
#include <stdio.h>
#include <string.h>

#include "corvane.h"

typedef struct {
  char* bytes; /* followed by a zero byte */
  DWORD length;
} Bytes;

static Bytes ReadBytes(const char* path) {
  Bytes file = {NULL, 0};
  FILE* stream = fopen(path, "rb");
  if (stream == NULL) return file;
  fseek(stream, 0, SEEK_END);
  file.length = (DWORD)ftell(stream);
  rewind(stream);
  file.bytes = calloc(file.length + 1, 1);
  fread(file.bytes, 1, file.length, stream);
  fclose(stream);
  return file;
}

static void WriteBytes(const char* path, const char* bytes, int length) {
  FILE* stream = fopen(path, "wb");
  fwrite(bytes, 1, (size_t)length, stream);
  fclose(stream);
}

static int Store(int count, char** arguments) {
  for (int i = 0; i + 2 < count; i += 3) {
    HCERTSTORE store = CertOpenSystemStoreA(0, arguments[i]);
    const Bytes certificate = ReadBytes(arguments[i + 1]);
    PCCERT_CONTEXT added = NULL;
    if (!CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, (BYTE*)certificate.bytes,
                                          certificate.length, CERT_STORE_ADD_REPLACE_EXISTING,
                                          &added)) {
      return (int)GetLastError();
    }
    if (strcmp(arguments[i + 2], "-") != 0) {
      const Bytes key = ReadBytes(arguments[i + 2]);
      WCHAR container[32];
      swprintf(container, 32, L"corvane-test-%d", i);
      HCRYPTPROV provider = 0;
      HCRYPTKEY imported = 0;
      CRYPT_KEY_PROV_INFO link = {container, (LPWSTR)MS_ENHANCED_PROV_W, PROV_RSA_FULL, 0, 0,
                                  NULL, AT_KEYEXCHANGE};
      if (!CryptAcquireContextW(&provider, container, MS_ENHANCED_PROV_W, PROV_RSA_FULL,
                                CRYPT_NEWKEYSET) ||
          !CryptImportKey(provider, (BYTE*)key.bytes, key.length, 0, 0, &imported) ||
          !CertSetCertificateContextProperty(added, CERT_KEY_PROV_INFO_PROP_ID, 0, &link)) {
        return (int)GetLastError();
      }
      CryptDestroyKey(imported);
      CryptReleaseContext(provider, 0);
    }
    CertFreeCertificateContext(added);
    CertCloseStore(store, 0);
  }
  return 0;
}

static DWORD WINAPI ReportDialog(LPVOID unused) {
  (void)unused;
  static const WCHAR kCaption[] = L"\u8bf7\u9009\u62e9\u60a8\u8981\u7528\u7684\u8bc1\u4e66";
  HWND dialog = NULL;  /* visible once WM_INITDIALOG has filled and placed it */
  for (int wait = 0; wait < 600 && !IsWindowVisible(dialog); ++wait, Sleep(100)) {
    dialog = FindWindowW(L"#32770", kCaption);
  }
  HWND list = GetDlgItem(dialog, 202);
  const int count = (int)SendMessageA(list, CB_GETCOUNT, 0, 0);
  for (int line = 0; line < count; ++line) {
    char text[512] = "";
    SendMessageA(list, CB_GETLBTEXT, (WPARAM)line, (LPARAM)text);
    printf("line %d %s\n", line, text);
  }
  RECT own, area;
  GetWindowRect(dialog, &own);
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  printf("selection %d\n", (int)SendMessageA(list, CB_GETCURSEL, 0, 0));
  printf("off-centre %ld %ld\n", (own.left + own.right - area.left - area.right) / 2,
         (own.top + own.bottom - area.top - area.bottom) / 2);
  fflush(stdout);
  return 0;
}

static int CallSign(char** argv, const Bytes* data, char* output, int* length) {
  const int mode = atoi(argv[2]);
  const int serial_length = (int)strlen(argv[3]);
  if (strcmp(argv[3], "-") == 0) {
    return generateSingleSignedMsg(data->bytes, data->length, mode, output, length);
  }
  if (strcmp(argv[4], "-") == 0) {
    return generateSingleSignedMsgBySN(data->bytes, data->length, mode, argv[3], serial_length,
                                       output, length);
  }
  return generateSingleSignedMsgByIssuerSN(data->bytes, data->length, mode, argv[4], 0, argv[3],
                                           serial_length, output, length);
}

static int Sign(char** argv) {
  if (strcmp(argv[3], "-") == 0) CloseHandle(CreateThread(NULL, 0, ReportDialog, NULL, 0, NULL));
  const Bytes data = ReadBytes(argv[5]);
  int length = 0;
  int result = CallSign(argv, &data, NULL, &length);
  if (result != 0) return result;
  char* output = calloc((size_t)length + 1, 1);
  result = CallSign(argv, &data, output, &length);
  if (result == 0) WriteBytes(argv[6], output, length);
  return result;
}

static int Verify(char** argv) {
  const Bytes message = ReadBytes(argv[2]);
  Bytes content = strcmp(argv[3], "-") != 0 ? ReadBytes(argv[3]) : message;
  int length = (int)content.length;
  if (content.bytes == message.bytes) {  /* attached: the size query, then a buffer */
    verifySingleSignedMsg(message.bytes, (int)message.length, NULL, &length);
    content.bytes = calloc((size_t)length + 1, 1);
  }
  const int result = verifySingleSignedMsg(message.bytes, (int)message.length, content.bytes,
                                           &length);
  if (result == 0) WriteBytes(argv[4], content.bytes, length);
  return result;
}

/* JNItest reads neither of its arguments, so it can be called without a Java VM. */
static int SelfTest(void) {
  typedef long(__stdcall * SelfTestEntry)(void* env, void* receiver);
  const FARPROC entry =
      GetProcAddress(GetModuleHandleA("Corvane.dll"), "Java_plovik_Corvane_JNItest");
  return entry == NULL ? 1 : (int)((SelfTestEntry)(void*)entry)(NULL, NULL);
}

int main(int argc, char** argv) {
  int result;
  if (argc >= 2 && strcmp(argv[1], "store") == 0) result = Store(argc - 2, argv + 2);
  else if (argc == 7 && strcmp(argv[1], "sign") == 0) result = Sign(argv);
  else if (argc == 5 && strcmp(argv[1], "verify") == 0) result = Verify(argv);
  else if (argc == 2 && strcmp(argv[1], "selftest") == 0) result = SelfTest();
  else return 2;
  printf("result %d\n", result);
  return 0;
}
