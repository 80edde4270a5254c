# Cross-compiling Corvane.dll with Debian's MinGW-w64 (the -posix variant, whose C++ library has
# std::mutex and std::thread), for the target triple that the including toolchain file sets in
# CORVANE_MINGW_TRIPLE: cmake/mingw-w64-i686.cmake (32-bit) or cmake/mingw-w64-x86_64.cmake
# (64-bit).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${CORVANE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CORVANE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${CORVANE_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${CORVANE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
