# Writes the manual page: docs/corvane.1.in with the SYNOPSIS and OPTIONS the tool's command table
# gives (corvane --roff-synopsis, --roff-options), so that the page says what --help says.
#   cmake -DTOOL=corvane -DIN=docs/corvane.1.in -DOUT=corvane.1 -DVERSION=x.y -P manual_page.cmake
foreach(part synopsis options)
  execute_process(COMMAND ${TOOL} --roff-${part} OUTPUT_VARIABLE ${part} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${TOOL} --roff-${part} failed")
  endif()
endforeach()
file(READ ${IN} page)
string(REPLACE "@SYNOPSIS@\n" "${synopsis}" page "${page}")
string(REPLACE "@OPTIONS@\n" "${options}" page "${page}")
string(REPLACE "@PROJECT_VERSION@" "${VERSION}" page "${page}")
file(WRITE ${OUT} "${page}")
