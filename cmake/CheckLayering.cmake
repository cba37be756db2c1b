# The layering of the sources: the project's folders stand on floors, and a folder includes only
# its own floor and those below it. From the bottom: base/ (the seams every layer uses), the
# calibration, the CAN messages and the files, the device, the firmware, the review of a
# calibration, the session with a module, then the start-up and Qt adapters (app/), the window
# (ui/) and the command-line tool (cli/). base/ includes no other project folder at all, even
# one the list does not know. A project folder on no floor fails the check too, so a new one is
# placed before anything includes it. Every offending include is listed; any one of them fails.
#
#   cmake -DSOURCE_DIR=<folder holding the project folders> -P CheckLayering.cmake

cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR OR NOT IS_DIRECTORY "${SOURCE_DIR}")
  message(FATAL_ERROR "CheckLayering: SOURCE_DIR must name the source folder")
endif()
get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)

# The floors from the bottom; folders sharing a floor are separated by commas.
set(floors base calibration "can,files" device firmware review session app ui cli)

set(floor_number 0)
foreach(floor ${floors})
  string(REPLACE "," ";" floor_folders "${floor}")
  foreach(folder ${floor_folders})
    set(floor_of_${folder} ${floor_number})
  endforeach()
  math(EXPR floor_number "${floor_number} + 1")
endforeach()

# The project's folders: every folder of the tree, and every folder on a floor (for includes
# written with angle brackets of a folder this tree lacks).
file(GLOB entries LIST_DIRECTORIES true RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*")
set(project_folders)
foreach(floor ${floors})
  string(REPLACE "," ";" floor_folders "${floor}")
  list(APPEND project_folders ${floor_folders})
endforeach()
set(violations 0)
set(tree_folders)
foreach(entry ${entries})
  if(IS_DIRECTORY "${SOURCE_DIR}/${entry}")
    list(APPEND tree_folders ${entry})
    if(NOT DEFINED floor_of_${entry})
      message("${entry}/ stands on no floor: place it in cmake/CheckLayering.cmake")
      math(EXPR violations "${violations} + 1")
    endif()
  endif()
endforeach()
list(APPEND project_folders ${tree_folders})

set(include_pattern "^[ \t]*#[ \t]*include[ \t]*([<\"])([^/\">]+)/([^\">]*)")
foreach(folder ${tree_folders})
  if(NOT DEFINED floor_of_${folder})
    continue()
  endif()
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
      if(target STREQUAL folder)
        # The folder's own headers.
      elseif(folder STREQUAL "base")
        # A quoted include with a folder is the project's own; base/ may only use itself.
        if(quote STREQUAL "\"" OR target IN_LIST project_folders)
          set(bad TRUE)
        endif()
      elseif(DEFINED floor_of_${target})
        if(floor_of_${target} GREATER floor_of_${folder})
          set(bad TRUE)
        endif()
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
