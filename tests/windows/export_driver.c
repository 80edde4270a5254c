/* Calls the exports of Corvane.dll as a program would (size query, then the real call) and
 * prints "result <code>"; outputs go to files that the Linux side checks with openssl.
 *   export_driver sign MODE SERIAL ISSUER|- DATA OUT   generateSingleSignedMsgByIssuerSN, or BySN
 *   export_driver choose DATA OUT                       generateSingleSignedMsg, reporting the
 *                                                       dialog's lines and placement
 *   export_driver verify MESSAGE DATA|- OUT             verifySingleSignedMsg */
#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "corvane.h"
#include "file_bytes.h"

static int CallSign(char** argv, const FileBytes* data, char* output, int* length) {
  const int mode = atoi(argv[2]);
  const int serial_length = (int)strlen(argv[3]);
  if (strcmp(argv[4], "-") == 0) {
    return generateSingleSignedMsgBySN((const char*)data->bytes, data->length, mode, argv[3],
                                       serial_length, output, length);
  }
  return generateSingleSignedMsgByIssuerSN((const char*)data->bytes, data->length, mode, argv[4],
                                           0, argv[3], serial_length, output, length);
}

static int Sign(char** argv) {
  const FileBytes data = ReadFileBytes(argv[5]);
  int length = 0;
  int result = CallSign(argv, &data, NULL, &length);
  if (result != 0) return result;
  char* output = calloc((size_t)length + 1, 1);
  result = CallSign(argv, &data, output, &length);
  if (result == 0) WriteFileBytes(argv[6], output, (unsigned long)length);
  return result;
}

/* Waits for the chooser, then prints its lines (GBK), its selection and how far its centre
 * lies from the work area's centre, in pixels. */
static DWORD WINAPI ReportDialog(LPVOID unused) {
  (void)unused;
  static const WCHAR kCaption[] = L"\u8bf7\u9009\u62e9\u60a8\u8981\u7528\u7684\u8bc1\u4e66";
  HWND dialog = NULL;
  for (int wait = 0; wait < 600 && dialog == NULL; ++wait, Sleep(100)) {
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

static int Choose(char** argv) {
  CloseHandle(CreateThread(NULL, 0, ReportDialog, NULL, 0, NULL));
  const FileBytes data = ReadFileBytes(argv[2]);
  int length = 0;
  generateSingleSignedMsg((const char*)data.bytes, data.length, 0, NULL, &length);
  char* output = calloc((size_t)length + 1, 1);
  const int result = generateSingleSignedMsg((const char*)data.bytes, data.length, 0, output,
                                             &length);
  if (result == 0) WriteFileBytes(argv[3], output, (unsigned long)length);
  return result;
}

static int Verify(char** argv) {
  const FileBytes message = ReadFileBytes(argv[2]);
  const int detached = strcmp(argv[3], "-") != 0;
  FileBytes content = detached ? ReadFileBytes(argv[3]) : message;
  int length = (int)content.length;
  if (!detached) {
    verifySingleSignedMsg((const char*)message.bytes, (int)message.length, NULL, &length);
    content.bytes = calloc((size_t)length + 1, 1);
  }
  const int result = verifySingleSignedMsg((const char*)message.bytes, (int)message.length,
                                           (char*)content.bytes, &length);
  if (result == 0) WriteFileBytes(argv[4], content.bytes, (unsigned long)length);
  return result;
}

int main(int argc, char** argv) {
  int result;
  if (argc == 7 && strcmp(argv[1], "sign") == 0) result = Sign(argv);
  else if (argc == 4 && strcmp(argv[1], "choose") == 0) result = Choose(argv);
  else if (argc == 5 && strcmp(argv[1], "verify") == 0) result = Verify(argv);
  else return 2;
  printf("result %d\n", result);
  return 0;
}
