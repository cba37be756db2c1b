# The layering of the sources. The core folders (standard C++ shared by the window and the
# command-line tool) never include the window (ui/), the start-up and Qt adapters (app/) or
# the command-line tool (cli/); the bottom folder (base/) includes no other project folder at
# all. Every offending include is listed; any one of them fails the check.
#
#   cmake -DSOURCE_DIR=<folder holding the project folders> -P CheckLayering.cmake

cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR OR NOT IS_DIRECTORY "${SOURCE_DIR}")
  message(FATAL_ERROR "CheckLayering: SOURCE_DIR must name the source folder")
endif()
get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)

set(core_folders base calibration can device files firmware session)
set(upper_folders ui app cli)

# The project's own folders, for includes written with angle brackets.
file(GLOB entries LIST_DIRECTORIES true RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*")
set(project_folders ${upper_folders})
foreach(entry ${entries})
  if(IS_DIRECTORY "${SOURCE_DIR}/${entry}")
    list(APPEND project_folders ${entry})
  endif()
endforeach()

set(include_pattern "^[ \t]*#[ \t]*include[ \t]*([<\"])([^/\">]+)/([^\">]*)")
set(violations 0)
foreach(folder ${core_folders})
  file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}"
       "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.hpp"
       "${SOURCE_DIR}/${folder}/*.cpp" "${SOURCE_DIR}/${folder}/*.cc")
  foreach(source ${sources})
    file(STRINGS "${SOURCE_DIR}/${source}" includes REGEX "${include_pattern}")
    foreach(line ${includes})
      string(REGEX MATCH "${include_pattern}" _ "${line}")
      set(quote "${CMAKE_MATCH_1}")
      set(target "${CMAKE_MATCH_2}")
      set(header "${CMAKE_MATCH_2}/${CMAKE_MATCH_3}")
      set(bad FALSE)
      if(folder STREQUAL "base")
        # A quoted include with a folder is the project's own; base/ may only use itself.
        if(NOT target STREQUAL "base" AND (quote STREQUAL "\"" OR target IN_LIST project_folders))
          set(bad TRUE)
        endif()
      elseif(target IN_LIST upper_folders)
        set(bad TRUE)
      endif()
      if(bad)
        message("${source} includes ${header}: ${folder}/ may not depend on ${target}/")
        math(EXPR violations "${violations} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations GREATER 0)
  message(FATAL_ERROR "${violations} include(s) break the layering")
endif()
