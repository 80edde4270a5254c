#!/usr/bin/env bash
# The library's layers are held apart by include roots (cmake/layers.cmake): a file sees only the
# folders its layer names. A quoted include relative to the including file's own folder is found
# before any include root, so one that climbs out of its folder ("../ops/result_codes.h") would
# reach any layer: none is allowed under src/.
#   relative_includes.sh SRC_DIR
set -euo pipefail
climbing=$(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]*/)?\.\./' "$1" || true)
if [ -n "$climbing" ]; then
  echo "FAIL: includes that climb out of their folder (name the file from its layer's root):"
  echo "$climbing"
  exit 1
fi
echo "relative includes: none"
