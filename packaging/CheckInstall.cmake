# Installs the build into PREFIX and checks the tree: programs, desktop entry
# and its icon, man pages that render cleanly, and a CLI page that documents
# every command and option the CLI's --help lists.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc})")
endif()

set(expected
  bin/strelvane bin/strelvane-cli bin/dtusim
  share/applications/strelvane.desktop
  share/icons/hicolor/scalable/apps/strelvane.svg
  share/icons/hicolor/128x128/apps/strelvane.png
  share/man/man1/strelvane.1 share/man/man1/strelvane-cli.1 share/man/man1/dtusim.1)
foreach(f IN LISTS expected)
  if(NOT EXISTS ${PREFIX}/${f})
    message(FATAL_ERROR "missing from the install tree: ${f}")
  endif()
endforeach()
# The installed programs run from there (no build-tree paths needed).
foreach(exe strelvane strelvane-cli dtusim)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ${PREFIX}/bin/${exe} --help
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR NOT "${out}${err}" MATCHES "Usage|用法")
    message(FATAL_ERROR "installed bin/${exe} --help failed (${rc}):\n${out}${err}")
  endif()
endforeach()

# The desktop entry starts an installed program and names an installed icon.
file(STRINGS ${PREFIX}/share/applications/strelvane.desktop desktop)
foreach(line IN LISTS desktop)
  if(line MATCHES "^Exec=([^ ]+)")
    if(NOT EXISTS ${PREFIX}/bin/${CMAKE_MATCH_1})
      message(FATAL_ERROR "desktop entry starts ${CMAKE_MATCH_1}, which is not installed")
    endif()
  elseif(line MATCHES "^Icon=(.+)$")
    file(GLOB_RECURSE icons ${PREFIX}/share/icons/${CMAKE_MATCH_1}.*)
    if(NOT icons)
      message(FATAL_ERROR "desktop entry names icon ${CMAKE_MATCH_1}, which is not installed")
    endif()
  endif()
endforeach()

# groff warns about every malformed request; any warning fails.
find_program(GROFF groff)
if(GROFF)
  foreach(page strelvane strelvane-cli dtusim)
    execute_process(COMMAND ${GROFF} -man -ww -z ${PREFIX}/share/man/man1/${page}.1
                    RESULT_VARIABLE rc ERROR_VARIABLE warnings)
    if(NOT rc EQUAL 0 OR NOT warnings STREQUAL "")
      message(FATAL_ERROR "${page}.1 does not render cleanly:\n${warnings}")
    endif()
  endforeach()
endif()

# Every command and option of the CLI has its own entry in the page.
execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C ${CLI} --lang en --help
                OUTPUT_VARIABLE help RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "strelvane-cli --help failed (${rc})")
endif()
file(READ ${PREFIX}/share/man/man1/strelvane-cli.1 page)
string(REPLACE "\\-" "-" page "${page}")
string(REPLACE "\n" ";" lines "${help}")
set(names)
set(section "")
foreach(line IN LISTS lines)
  if(line MATCHES "^Commands:")
    set(section commands)
  elseif(line MATCHES "^Options:")
    set(section options)
  elseif(line MATCHES "^[^ ]")
    set(section "")
  elseif(section STREQUAL "commands" AND line MATCHES "^  ([a-z][a-z0-9-]*)")
    list(APPEND names ${CMAKE_MATCH_1})
  elseif(section STREQUAL "options" AND line MATCHES "^  (--[a-z][a-z0-9-]*)")
    list(APPEND names ${CMAKE_MATCH_1})
  endif()
endforeach()
list(LENGTH names count)
if(count LESS 3)
  message(FATAL_ERROR "could not read the commands from --help:\n${help}")
endif()
foreach(name IN LISTS names)
  string(REGEX MATCH "\n\\.BI? ${name}( |\n)|\n\\.BR ${name} " entry "${page}")
  if(entry STREQUAL "")
    message(FATAL_ERROR "strelvane-cli.1 has no entry for ${name}")
  endif()
endforeach()
message(STATUS "install tree complete; strelvane-cli.1 documents: ${names}")
