# What `cmake --install` puts where: the library with its header, the jar with its Javadoc, the
# tool with its man page, a pkg-config file and a CMake package (Corvane::Corvane); and the
# Debian package that `cpack -G DEB` makes of the same files.
include(CMakePackageConfigHelpers)

set(CORVANE_JAR_DIR ${CMAKE_INSTALL_DATADIR}/java)
set(CORVANE_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Corvane)
# `corvane demo --jar` of an installed tree finds the library from the jar's folder by this path.
file(RELATIVE_PATH CORVANE_JAR_TO_LIBRARY /${CORVANE_JAR_DIR} /${CMAKE_INSTALL_LIBDIR})
target_compile_definitions(corvane PRIVATE CORVANE_JAR_TO_LIBRARY="${CORVANE_JAR_TO_LIBRARY}")

install(TARGETS Corvane EXPORT CorvaneTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS corvane corvane-web-host RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/corvane.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install_jar(corvane_jar DESTINATION ${CORVANE_JAR_DIR})
install(DIRECTORY ${CORVANE_JAVADOC_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/corvane/api)

# The browser extension, unpacked (a browser loads it from here), and the module for pages with
# its declarations and the example page.
install(DIRECTORY web/extension/ DESTINATION ${CMAKE_INSTALL_DATADIR}/corvane/web-extension)
install(FILES web/corvane.js web/corvane.d.ts DESTINATION ${CMAKE_INSTALL_DATADIR}/corvane/web)
install(DIRECTORY web/example DESTINATION ${CMAKE_INSTALL_DATADIR}/corvane/web)

# The browser host's system-wide manifests, each in the folder its browser reads (Chromium and
# Chrome read different ones), written by `corvane web manifest` with the host's installed path.
# Installed under /usr or /usr/local (and in the .deb) they go to the system's folders; a staged
# or private prefix gets them under <prefix>/etc and <prefix>/lib, where no browser looks
# (`corvane web install` writes the user's own).
install(CODE "set(corvane_bindir \"${CMAKE_INSTALL_BINDIR}\")")
install(CODE [[
  if(CMAKE_INSTALL_PREFIX MATCHES "^/usr(/local)?/?$")
    set(corvane_manifest_root "")
  else()
    set(corvane_manifest_root "${CMAKE_INSTALL_PREFIX}")
  endif()
  foreach(corvane_browser chromium:etc/chromium/native-messaging-hosts
                          chrome:etc/opt/chrome/native-messaging-hosts
                          firefox:usr/lib/mozilla/native-messaging-hosts)
    string(REPLACE ":" ";" corvane_pair "${corvane_browser}")
    list(GET corvane_pair 0 corvane_name)
    list(GET corvane_pair 1 corvane_folder)
    set(corvane_target "$ENV{DESTDIR}${corvane_manifest_root}/${corvane_folder}")
    if(corvane_manifest_root AND corvane_folder MATCHES "^usr/(.*)")
      set(corvane_target "$ENV{DESTDIR}${corvane_manifest_root}/${CMAKE_MATCH_1}")
    endif()
    file(MAKE_DIRECTORY "${corvane_target}")
    message(STATUS "Installing: ${corvane_target}/corvane.web_host.json")
    execute_process(COMMAND "$<TARGET_FILE:corvane>" web manifest --browser ${corvane_name}
                            --host "${CMAKE_INSTALL_PREFIX}/${corvane_bindir}/corvane-web-host"
                            --out "${corvane_target}/corvane.web_host.json"
                    COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
]])

# pkg-config: the prefix is found from the file's own place, so a staged or relocated
# installation works as well as the configured one.
file(RELATIVE_PATH CORVANE_PC_PREFIX_FROM_PCFILEDIR /${CMAKE_INSTALL_LIBDIR}/pkgconfig /.)
configure_file(cmake/corvane.pc.in corvane.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/corvane.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

install(EXPORT CorvaneTargets NAMESPACE Corvane:: DESTINATION ${CORVANE_CMAKE_DIR})
configure_package_config_file(cmake/CorvaneConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/CorvaneConfig.cmake
  INSTALL_DESTINATION ${CORVANE_CMAKE_DIR}
  PATH_VARS CORVANE_JAR_DIR)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/CorvaneConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/CorvaneConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/CorvaneConfigVersion.cmake
        DESTINATION ${CORVANE_CMAKE_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VENDOR "Corvane")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "PKCS #7 signed and enveloped messages as Base64 text, keys from the user's certificate stores")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Corvane team")
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "default-jre-headless | java-runtime-headless")
# The message boxes, the chooser and the questions on a desktop.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "zenity | kdialog")
include(CPack)
