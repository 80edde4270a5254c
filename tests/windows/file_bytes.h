/* Whole files in and out, for the Windows test programs. Memory is left to the process's end. */
#pragma once

#include <stdio.h>
#include <stdlib.h>

typedef struct {
  unsigned char* bytes; /* followed by a zero byte; NULL when the file cannot be read */
  unsigned long length;
} FileBytes;

static inline FileBytes ReadFileBytes(const char* path) {
  FileBytes file = {NULL, 0};
  FILE* stream = fopen(path, "rb");
  if (stream == NULL) return file;
  fseek(stream, 0, SEEK_END);
  file.length = (unsigned long)ftell(stream);
  fseek(stream, 0, SEEK_SET);
  file.bytes = calloc(file.length + 1, 1);
  if (file.bytes != NULL && fread(file.bytes, 1, file.length, stream) != file.length) {
    file.bytes = NULL;
  }
  fclose(stream);
  return file;
}

static inline int WriteFileBytes(const char* path, const void* bytes, unsigned long length) {
  FILE* stream = fopen(path, "wb");
  if (stream == NULL) return 0;
  const int written = fwrite(bytes, 1, length, stream) == length;
  return fclose(stream) == 0 && written;
}
