/* A program built against an installed Corvane: signs its first argument's text with the
 * certificate of serial number argv[2] (attached, no chooser) and writes the Base64 message to
 * argv[3]; then opens the enveloped message in the file argv[4] and writes its content to
 * standard output. */
#include <corvane.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static char* read_file(const char* path, long* length) {
  FILE* file = fopen(path, "rb");
  char* text = NULL;
  if (file != NULL && fseek(file, 0, SEEK_END) == 0 && (*length = ftell(file)) >= 0 &&
      fseek(file, 0, SEEK_SET) == 0 && (text = malloc((size_t)*length + 1)) != NULL &&
      fread(text, 1, (size_t)*length, file) != (size_t)*length) {
    free(text);
    text = NULL;
  }
  if (file != NULL) fclose(file);
  return text;
}

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

  long length = 0;
  char* envelope = read_file(argv[4], &length);
  code = envelope ? decomposeSingleEnvelopedMsg(envelope, (int32_t)length, NULL, &size) : -1;
  char* content = code == 0 ? calloc((size_t)size + 1, 1) : NULL;
  if (content != NULL) code = decomposeSingleEnvelopedMsg(envelope, (int32_t)length, content, &size);
  if (content == NULL || code != 0) {
    fprintf(stderr, "opening: %d\n", (int)code);
    return 1;
  }
  fwrite(content, 1, (size_t)size, stdout);
  free(content);
  free(envelope);
  return 0;
}
