# Sourced by the scripts that start a JVM on the built library. A library built with
# AddressSanitizer needs the sanitizer runtime loaded before anything else in the JVM's process;
# the JVM takes SIGSEGV on purpose (its own null checks) and never frees some memory, so the
# sanitizer leaves both alone. Children (the tests' own JVMs, the tool's) inherit the settings.
#   preload_sanitizer_for LIBRARY
preload_sanitizer_for() {
  # (Not `ldd | grep -q`: under pipefail, grep leaving early can fail the pipeline.)
  if [[ $(ldd "$1") == *libasan.so* ]]; then
    LD_PRELOAD=$(gcc -print-file-name=libasan.so)
    export LD_PRELOAD
    export ASAN_OPTIONS=detect_leaks=0:handle_segv=0:allow_user_segv_handler=1:use_sigaltstack=0
  fi
}
