# Corvane.dll, 32-bit, cross-built with MinGW-w64 (configure with the toolchain file
# cmake/mingw-w64-i686.cmake): the operation, certificate, codec and JNI code against the Windows
# headers, src/platform/win32 for the dialog and the module entry, the resources of res/ and the
# exports of res/Corvane.def. The C++ runtime is linked statically, so the DLL needs only system
# DLLs. No OpenSSL.

find_program(CORVANE_WIDL NAMES i686-w64-mingw32-widl widl REQUIRED)

# The type library and the header with its identifier, both from res/Corvane.idl.
set(type_library_dir ${CMAKE_CURRENT_BINARY_DIR}/type_library)
file(MAKE_DIRECTORY ${type_library_dir})
add_custom_command(
  OUTPUT ${type_library_dir}/Corvane.tlb ${type_library_dir}/corvane_type_library.h
  COMMAND ${CORVANE_WIDL} -t -o ${type_library_dir}/Corvane.tlb ${CMAKE_SOURCE_DIR}/res/Corvane.idl
  COMMAND ${CORVANE_WIDL} -h -o ${type_library_dir}/corvane_type_library.h
          ${CMAKE_SOURCE_DIR}/res/Corvane.idl
  DEPENDS ${CMAKE_SOURCE_DIR}/res/Corvane.idl
  VERBATIM)
set_source_files_properties(res/Corvane.rc PROPERTIES
  OBJECT_DEPENDS "${type_library_dir}/Corvane.tlb;${CMAKE_SOURCE_DIR}/res/certificate.ico;${CMAKE_SOURCE_DIR}/res/bitmap1.bmp")
set_source_files_properties(src/platform/win32/module_record.cpp PROPERTIES
  OBJECT_DEPENDS ${type_library_dir}/corvane_type_library.h)

file(GLOB_RECURSE CORVANE_SOURCES CONFIGURE_DEPENDS
  src/ops/*.cpp src/certs/*.cpp src/codec/*.cpp src/jni/*.cpp src/platform/win32/*.cpp)
add_library(Corvane SHARED ${CORVANE_SOURCES} res/Corvane.rc res/Corvane.def)
set_target_properties(Corvane PROPERTIES PREFIX "" OUTPUT_NAME Corvane)
# jni.h comes from the build machine's JDK; its machine-dependent part, jni_md.h, is our own for
# 32-bit Windows (src/platform/win32/jni), found first.
find_path(CORVANE_JNI_INCLUDE_DIR jni.h NO_CMAKE_FIND_ROOT_PATH REQUIRED
  PATHS $ENV{JAVA_HOME}/include /usr/lib/jvm/default-java/include)
target_include_directories(Corvane PRIVATE include src res ${type_library_dir}
  src/platform/win32/jni ${CORVANE_JNI_INCLUDE_DIR})
target_compile_definitions(Corvane PRIVATE CORVANE_BUILDING_LIBRARY)
# The Windows headers give error values as HRESULT (signed); the code compares them with
# GetLastError's DWORD, which is exact for these 32-bit values.
target_compile_options(Corvane PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wno-sign-compare>)
target_link_options(Corvane PRIVATE -static -static-libgcc -static-libstdc++ -Wl,--kill-at)
target_link_libraries(Corvane PRIVATE advapi32 crypt32 user32 gdi32 kernel32)

# The Windows side of the smoke tests under Wine (tests/windows/smoke_test.sh).
add_executable(smoke_driver tests/windows/smoke_driver.c)
target_include_directories(smoke_driver PRIVATE include)
target_compile_options(smoke_driver PRIVATE -Wall -Wextra)
target_link_options(smoke_driver PRIVATE -static)
target_link_libraries(smoke_driver PRIVATE Corvane crypt32 advapi32)
