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

if(VX42_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "VX42_FUZZ needs clang (libFuzzer)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Hardening of the optimised builds with the distribution's own flags (dpkg-buildflags, every
# hardening feature on): the stack protector, _FORTIFY_SOURCE, format checks, position-
# independent executables and relocations made read-only at start (-z relro -z now). The build
# type still chooses optimisation and debug information. The sanitizer and fuzzing builds are
# left as they are.
option(VX42_HARDEN "Harden optimised builds with the flags dpkg-buildflags gives" ON)
if(VX42_HARDEN AND NOT VX42_SANITIZE AND NOT VX42_FUZZ AND
   CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
  find_program(DPKG_BUILDFLAGS dpkg-buildflags)
  if(DPKG_BUILDFLAGS)
    # vx42_buildflags(VAR KIND): the flags of one kind, without those the build type sets.
    function(vx42_buildflags var kind)
      execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                              ${DPKG_BUILDFLAGS} --get ${kind}
                      OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
                      COMMAND_ERROR_IS_FATAL ANY)
      separate_arguments(flags UNIX_COMMAND "${flags}")
      list(FILTER flags EXCLUDE REGEX "^-(g.*|O.*|ffile-prefix-map=.*)$")
      set(${var} ${flags} PARENT_SCOPE)
    endfunction()
    vx42_buildflags(hardening_cpp CPPFLAGS)
    vx42_buildflags(hardening_c CFLAGS)
    vx42_buildflags(hardening_cxx CXXFLAGS)
    vx42_buildflags(hardening_ld LDFLAGS)
    add_compile_options(${hardening_cpp} "$<$<COMPILE_LANGUAGE:C>:${hardening_c}>"
                        "$<$<COMPILE_LANGUAGE:CXX>:${hardening_cxx}>")
    add_link_options(${hardening_ld})
    include(CheckPIESupported)
    check_pie_supported()
    set(CMAKE_POSITION_INDEPENDENT_CODE ON)
    message(STATUS "Hardening: ${hardening_cpp} ${hardening_cxx} ${hardening_ld}")
  else()
    message(STATUS "dpkg-buildflags not found: the compiler's own hardening defaults apply")
  endif()
endif()

# vx42_library(NAME DEPS ...): a static library of every .cpp file in the current folder.
function(vx42_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE vx42_warnings)
endfunction()

# vx42_test_sources(VAR): the *_test.cpp files of the current folder that this build can run.
function(vx42_test_sources var)
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  # The libftdi1 back end's tests are named ftdi_*: none where libftdi1 is absent (Windows).
  if(NOT TARGET PkgConfig::LIBFTDI1)
    list(FILTER tests EXCLUDE REGEX "/ftdi_[^/]*_test\\.cpp$")
  endif()
  # Tests of what only Windows has are named windows_*.
  if(NOT WIN32)
    list(FILTER tests EXCLUDE REGEX "/windows_[^/]*_test\\.cpp$")
  endif()
  # The command sequences are stateful property tests on RapidCheck, where it is found.
  if(NOT TARGET rapidcheck)
    list(FILTER tests EXCLUDE REGEX "/[^/]*_sequences_test\\.cpp$")
  endif()
  set(${var} ${tests} PARENT_SCOPE)
endfunction()

# vx42_tests(PREFIX DEPS ...): one GoogleTest executable per *_test.cpp file of the current
# folder, each registered in CTest. Files of tests/support are shared by all.
function(vx42_tests prefix)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  vx42_test_sources(tests)
  include(GoogleTest)
  foreach(test ${tests})
    get_filename_component(stem ${test} NAME_WE)
    set(name ${prefix}_${stem})
    add_executable(${name} ${test})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} vx42_test_support GTest::gmock GTest::gtest
                          GTest::gtest_main vx42_warnings)
    if(test MATCHES "_sequences_test\\.cpp$")
      target_link_libraries(${name} PRIVATE rapidcheck rapidcheck_gtest)
    endif()
    if(CMAKE_CROSSCOMPILING)
      # Under an emulator (Wine) each start is dear: one entry per program.
      add_test(NAME ${name} COMMAND ${name})
      set_tests_properties(${name} PROPERTIES LABELS ${prefix}
                           ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    else()
      gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS ${prefix})
    endif()
  endforeach()
endfunction()
