/* A program built against an installed Corvane: signs its first argument's text with the
 * certificate of serial number argv[2] (attached, no chooser) and writes the Base64 message to
 * the file argv[3]; then opens the Base64 enveloped message argv[4] and writes its content to
 * standard output. */
#include <corvane.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  const char* data = argv[1];
  int32_t size = 0;
  int32_t code = generateSingleSignedMsgBySN(data, (uint32_t)strlen(data), 0, argv[2],
                                             (int32_t)strlen(argv[2]), NULL, &size);
  char* signed_text = code == 0 ? calloc((size_t)size + 1, 1) : NULL;
  if (signed_text != NULL) {
    code = generateSingleSignedMsgBySN(data, (uint32_t)strlen(data), 0, argv[2],
                                       (int32_t)strlen(argv[2]), signed_text, &size);
  }
  FILE* out = code == 0 && signed_text != NULL ? fopen(argv[3], "wb") : NULL;
  if (out == NULL || fwrite(signed_text, 1, (size_t)size, out) != (size_t)size) {
    fprintf(stderr, "signing: %d\n", (int)code);
    return 1;
  }
  fclose(out);
  free(signed_text);

  const char* envelope = argv[4];
  const int32_t length = (int32_t)strlen(envelope);
  code = decomposeSingleEnvelopedMsg(envelope, length, NULL, &size);
  char* content = code == 0 ? calloc((size_t)size + 1, 1) : NULL;
  if (content != NULL) code = decomposeSingleEnvelopedMsg(envelope, length, content, &size);
  if (content == NULL || code != 0) {
    fprintf(stderr, "opening: %d\n", (int)code);
    return 1;
  }
  fwrite(content, 1, (size_t)size, stdout);
  free(content);
  return 0;
}
