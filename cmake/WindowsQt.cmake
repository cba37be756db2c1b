# The window in the Windows cross build: Qt for Windows (MinGW-w64, built by
# scripts/build-qt-windows.sh) found through VX42_QT_WINDOWS, with the host's moc, rcc and uic of
# the same version. Without it the cross build has the core, vx42ctl.exe and their tests only.
set(VX42_QT_WINDOWS "$ENV{VX42_QT_WINDOWS}" CACHE PATH
    "Qt 6 for Windows (MinGW-w64) to build the window against; empty for none")
set(VX42_WINDOWS_WINDOW OFF)
if(VX42_QT_WINDOWS)
  if(NOT EXISTS "${VX42_QT_WINDOWS}/lib/cmake/Qt6/Qt6Config.cmake")
    message(FATAL_ERROR "VX42_QT_WINDOWS=${VX42_QT_WINDOWS} holds no Qt 6 (lib/cmake/Qt6)")
  endif()
  set(QT_HOST_PATH /usr CACHE PATH "The host's Qt, whose tools serve the cross build")
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")
  list(PREPEND CMAKE_PREFIX_PATH ${VX42_QT_WINDOWS})
  find_package(Qt6 REQUIRED COMPONENTS Widgets Test PrintSupport)
  set(VX42_WINDOWS_WINDOW ON)
  message(STATUS "The window for Windows: Qt ${Qt6_VERSION} from ${VX42_QT_WINDOWS}")
else()
  message(STATUS "The window for Windows is left out: no Qt for Windows (set VX42_QT_WINDOWS, "
                 "or VX42_BUILD_QT_WINDOWS=1 for scripts/windows-test.sh to build it)")
endif()

# vx42_windows_qt_runtime(NAME FOLDER): a target NAME that puts into FOLDER what a window
# program there needs to start on Windows: Qt's DLLs, the MinGW runtime they were built with
# (C++, libgcc, threads), the windows and offscreen platform plugins and the windowsvista style.
# The programs of a folder depend on its one target, so that no two copy the same files at once.
function(vx42_windows_qt_runtime name folder)
  set(qt_bin ${VX42_QT_WINDOWS}/bin)
  set(qt_plugins ${VX42_QT_WINDOWS}/plugins)
  set(dlls)
  foreach(module Core Gui Widgets PrintSupport Test)
    list(APPEND dlls ${qt_bin}/Qt6${module}.dll)
  endforeach()
  foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                    OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${found}" OR NOT EXISTS "${found}")
      message(FATAL_ERROR "The MinGW runtime ${runtime} was not found by ${CMAKE_CXX_COMPILER}")
    endif()
    list(APPEND dlls ${found})
  endforeach()
  set(platforms ${qt_plugins}/platforms/qwindows.dll ${qt_plugins}/platforms/qoffscreen.dll)
  set(styles ${qt_plugins}/styles/qwindowsvistastyle.dll)
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${name}.stamp)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}/platforms ${folder}/styles
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${dlls} ${folder}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${platforms} ${folder}/platforms
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${styles} ${folder}/styles
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${dlls} ${platforms} ${styles}
    VERBATIM)
  add_custom_target(${name} DEPENDS ${stamp})
endfunction()
