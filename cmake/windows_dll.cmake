# Corvane.dll, 32-bit or 64-bit, cross-built with MinGW-w64 (configure with the toolchain file
# cmake/mingw-w64-i686.cmake or cmake/mingw-w64-x86_64.cmake): the operation, certificate, codec
# and JNI code against the Windows headers, src/platform/win32 for the dialog and the module
# entry, the resources of res/ and the exports of res/Corvane.def. The C++ runtime is linked
# statically, so the DLL needs only system DLLs. No OpenSSL.

math(EXPR windows_bits "${CMAKE_SIZEOF_VOID_P} * 8")
find_program(CORVANE_WIDL NAMES ${CORVANE_MINGW_TRIPLE}-widl widl REQUIRED)

# The type library and the header with its identifier, both from res/Corvane.idl.
set(type_library_dir ${CMAKE_CURRENT_BINARY_DIR}/type_library)
file(MAKE_DIRECTORY ${type_library_dir})
add_custom_command(
  OUTPUT ${type_library_dir}/Corvane.tlb ${type_library_dir}/corvane_type_library.h
  COMMAND ${CORVANE_WIDL} -m${windows_bits} -t -o ${type_library_dir}/Corvane.tlb
          ${CMAKE_SOURCE_DIR}/res/Corvane.idl
  COMMAND ${CORVANE_WIDL} -m${windows_bits} -h -o ${type_library_dir}/corvane_type_library.h
          ${CMAKE_SOURCE_DIR}/res/Corvane.idl
  DEPENDS ${CMAKE_SOURCE_DIR}/res/Corvane.idl
  VERBATIM)
set_source_files_properties(res/Corvane.rc PROPERTIES
  OBJECT_DEPENDS "${type_library_dir}/Corvane.tlb;${CMAKE_SOURCE_DIR}/res/certificate.ico;${CMAKE_SOURCE_DIR}/res/bitmap1.bmp")
set_source_files_properties(src/platform/win32/module_record.cpp PROPERTIES
  OBJECT_DEPENDS ${type_library_dir}/corvane_type_library.h)

# res/Corvane.def names the stdcall JNI entry points of the 32-bit DLL with their decoration (the
# linker's --kill-at drops it from the exported names). 64-bit Windows has one calling convention
# and no decorations: its module-definition file is res/Corvane.def with them removed, the same
# names at the same ordinals.
if(windows_bits EQUAL 32)
  set(module_definition res/Corvane.def)
  set(export_link_options -Wl,--kill-at)
else()
  set(module_definition ${CMAKE_CURRENT_BINARY_DIR}/Corvane.def)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS res/Corvane.def)
  file(READ res/Corvane.def decorated_definition)
  string(REGEX REPLACE "([A-Za-z0-9_])@[0-9]+" "\\1" undecorated_definition
         "${decorated_definition}")
  file(GENERATE OUTPUT ${module_definition} CONTENT
       "; Made from res/Corvane.def for 64-bit Windows: its names without decoration.\n${undecorated_definition}")
endif()

file(GLOB_RECURSE CORVANE_SOURCES CONFIGURE_DEPENDS
  src/ops/*.cpp src/certs/*.cpp src/codec/*.cpp src/jni/*.cpp src/platform/win32/*.cpp)
add_library(Corvane SHARED ${CORVANE_SOURCES} res/Corvane.rc ${module_definition})
set_target_properties(Corvane PROPERTIES PREFIX "" OUTPUT_NAME Corvane)
# jni.h comes from the build machine's JDK; its machine-dependent part, jni_md.h, is our own for
# Windows (src/platform/win32/jni), found first.
find_path(CORVANE_JNI_INCLUDE_DIR jni.h NO_CMAKE_FIND_ROOT_PATH REQUIRED
  PATHS $ENV{JAVA_HOME}/include /usr/lib/jvm/default-java/include)
target_include_directories(Corvane PRIVATE include src res ${type_library_dir}
  src/platform/win32/jni ${CORVANE_JNI_INCLUDE_DIR})
target_compile_definitions(Corvane PRIVATE CORVANE_BUILDING_LIBRARY)
# The Windows headers give error values as HRESULT (signed); the code compares them with
# GetLastError's DWORD, which is exact for these 32-bit values.
target_compile_options(Corvane PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wno-sign-compare>)
target_link_options(Corvane PRIVATE -static -static-libgcc -static-libstdc++ ${export_link_options})
target_link_libraries(Corvane PRIVATE advapi32 crypt32 user32 gdi32 kernel32)

# The Windows side of the smoke tests under Wine (tests/windows/smoke_test.sh).
add_executable(smoke_driver tests/windows/smoke_driver.c)
target_include_directories(smoke_driver PRIVATE include)
target_compile_options(smoke_driver PRIVATE -Wall -Wextra)
target_link_options(smoke_driver PRIVATE -static)
target_link_libraries(smoke_driver PRIVATE Corvane crypt32 advapi32)
