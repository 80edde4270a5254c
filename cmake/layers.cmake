# The library's layers, one object library each. The operations use the certificate and codec
# code, which use the platform seam (platform/platform.h and platform/certificate_chooser.h), which
# the POSIX platform layer implements; the JNI entry points sit above the exports.
#
# A layer is compiled against an include root of its own: a folder in the build tree holding
# links to the source folders and seam headers that layer may use, and nothing else. An include
# against the direction of the layers names a file that is not there, and does not compile.

# corvane_include_root(NAME PATH...): links each PATH (relative to src/) into the root NAME.
function(corvane_include_root name)
  set(root ${CMAKE_BINARY_DIR}/include-roots/${name})
  file(REMOVE_RECURSE ${root})
  foreach(item ${ARGN})
    get_filename_component(parent ${root}/${item} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${item} ${root}/${item} SYMBOLIC)
  endforeach()
endfunction()

# corvane_layer(NAME SOURCE_FOLDER PATH...): the object library corvane_NAME of the sources under
# src/SOURCE_FOLDER, which see the public header and the PATHs only.
function(corvane_layer name folder)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${folder}/*.cpp)
  add_library(corvane_${name} OBJECT ${sources})
  corvane_include_root(${name} ${ARGN})
  target_include_directories(corvane_${name} PRIVATE
    ${CMAKE_SOURCE_DIR}/include ${CMAKE_BINARY_DIR}/include-roots/${name})
  target_compile_definitions(corvane_${name} PRIVATE CORVANE_BUILDING_LIBRARY)
endfunction()

set(CORVANE_SEAM_HEADERS
  platform/platform.h platform/certificate_chooser.h platform/handle_owners.h
  platform/serial_number.h platform/posix/win_types.h)

corvane_layer(codec codec codec)
corvane_layer(certs certs certs ${CORVANE_SEAM_HEADERS})
corvane_layer(ops ops ops certs codec ${CORVANE_SEAM_HEADERS})
corvane_layer(posix platform/posix platform)
target_link_libraries(corvane_posix PRIVATE OpenSSL::Crypto PkgConfig::LIBP11)

set(CORVANE_LAYER_OBJECTS $<TARGET_OBJECTS:corvane_codec> $<TARGET_OBJECTS:corvane_certs>
    $<TARGET_OBJECTS:corvane_ops> $<TARGET_OBJECTS:corvane_posix>)
