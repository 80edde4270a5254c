# corvane.jar: the class plovik.Corvane, whose native methods the JNI entry points implement, and
# plovik.SelfTest, its entry point (`java -jar corvane.jar` runs the self-test). Plus its Javadoc.
include(UseJava)

set(CORVANE_JAVA_SOURCES java/plovik/Corvane.java java/plovik/SelfTest.java)
set(CMAKE_JAVA_COMPILE_FLAGS --release 8 -Xlint:all,-options -Werror -encoding UTF-8)
add_jar(corvane_jar
  SOURCES ${CORVANE_JAVA_SOURCES}
  OUTPUT_NAME corvane
  ENTRY_POINT plovik.SelfTest)

set(CORVANE_JAVADOC_DIR ${CMAKE_CURRENT_BINARY_DIR}/javadoc)
list(TRANSFORM CORVANE_JAVA_SOURCES PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
add_custom_command(
  OUTPUT ${CORVANE_JAVADOC_DIR}/index.html
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${CORVANE_JAVADOC_DIR}
  COMMAND ${Java_JAVADOC_EXECUTABLE} -quiet -Xdoclint:all -Werror -encoding UTF-8
          -doctitle "Corvane ${PROJECT_VERSION}" -d ${CORVANE_JAVADOC_DIR} ${CORVANE_JAVA_SOURCES}
  DEPENDS ${CORVANE_JAVA_SOURCES}
  COMMENT "Javadoc of plovik.Corvane"
  VERBATIM)
add_custom_target(corvane_javadoc ALL DEPENDS ${CORVANE_JAVADOC_DIR}/index.html)
