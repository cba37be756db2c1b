# Project-wide compile settings and helpers.

add_library(vx42_warnings INTERFACE)
target_compile_options(vx42_warnings INTERFACE -Wall -Wextra -Wpedantic)
target_compile_definitions(vx42_warnings INTERFACE
  VX42_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  VX42_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  VX42_VERSION_PATCH=${PROJECT_VERSION_PATCH})

if(VX42_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# vx42_library(NAME SOURCES ... DEPS ...): a static library of one subsystem folder.
function(vx42_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE vx42_warnings)
endfunction()

# vx42_tests(NAME SOURCES ... DEPS ...): a GoogleTest executable registered in CTest.
function(vx42_tests name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock vx42_warnings)
  include(GoogleTest)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
