# The Java tests: JUnit 5 and Bouncy Castle from Debian's packages, run through the console
# launcher by tests/java/run_junit.sh on a store of their own.
set(CORVANE_JAVA_TEST_JARS)
foreach(jar junit-jupiter-api junit-jupiter-params opentest4j apiguardian-api bcprov bcpkix bcutil)
  find_jar(CORVANE_JAR_${jar} NAMES ${jar} PATHS /usr/share/java REQUIRED)
  list(APPEND CORVANE_JAVA_TEST_JARS ${CORVANE_JAR_${jar}})
endforeach()

file(GLOB CORVANE_JAVA_TEST_SOURCES CONFIGURE_DEPENDS tests/java/plovik/*.java)
set(CMAKE_JAVA_COMPILE_FLAGS -Xlint:all,-options,-processing,-path -Werror -encoding UTF-8)
add_jar(corvane_java_tests
  SOURCES ${CORVANE_JAVA_TEST_SOURCES}
  INCLUDE_JARS corvane_jar ${CORVANE_JAVA_TEST_JARS}
  OUTPUT_NAME corvane-tests)

get_target_property(CORVANE_JAR_FILE corvane_jar JAR_FILE)
get_target_property(CORVANE_JAVA_TESTS_JAR_FILE corvane_java_tests JAR_FILE)
list(JOIN CORVANE_JAVA_TEST_JARS ":" CORVANE_JAVA_TEST_CLASS_PATH)
add_test(NAME java.junit
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/java/run_junit.sh
    $<TARGET_FILE:corvane> $<TARGET_FILE_DIR:Corvane>
    "${CORVANE_JAR_FILE}:${CORVANE_JAVA_TESTS_JAR_FILE}:${CORVANE_JAVA_TEST_CLASS_PATH}")

# The interoperability tests run Bouncy Castle as a peer (tests/support/BouncyCastlePeer.java).
target_compile_definitions(corvane_test_support PUBLIC
  CORVANE_BOUNCY_CASTLE_CLASS_PATH="${CORVANE_JAR_bcprov}:${CORVANE_JAR_bcpkix}:${CORVANE_JAR_bcutil}")
