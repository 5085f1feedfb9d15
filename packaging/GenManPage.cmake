# Fills a man page template with a program's --help text:
#   cmake -DPROGRAM=exe -DTEMPLATE=in -DOUTPUT=out -DPROJECT_VERSION=v -P GenManPage.cmake
# The help text goes into a no-fill block, so it is escaped for troff.
execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C ASAN_OPTIONS=detect_leaks=0
                        ${PROGRAM} --lang en --help
                OUTPUT_VARIABLE help RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR help STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} --help failed (${rc})")
endif()
string(REPLACE "\\" "\\e" help "${help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
string(REGEX REPLACE "\n+$" "" help "${help}")
set(CLI_HELP "${help}")
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
